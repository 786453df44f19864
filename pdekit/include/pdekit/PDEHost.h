// The print dialog protocol, both sides: what the host (the print dialog) calls on a plug-in
// (principal object, panels) and what a plug-in calls on the host (callback object, print
// settings, print session). Results are platform status codes: 0 for success.
//
// Ownership: the host owns the session, the settings, the PPD and the callback object; they are
// valid only during the host's calls. The host owns the principal object and the panels it was
// given. All calls arrive on the dialog's main thread.
#pragma once

#include <cups/ppd.h>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "nx/cups/ppd_file.h"

namespace nx::platform {
class Bundle;
class Services;
namespace ui {
class View;
}
}  // namespace nx::platform

namespace pdekit {

using OSStatus = int32_t;
inline constexpr OSStatus noErr = 0;
inline constexpr OSStatus paramErr = -50;
inline constexpr OSStatus memFullErr = -108;
inline constexpr OSStatus fnfErr = -43;
// A key absent from the session data or the print settings.
inline constexpr OSStatus kPMKeyNotFound = -30891;
// A change to a print-settings entry that was stored locked.
inline constexpr OSStatus kPMKeyLocked = -30892;
inline constexpr OSStatus kPMInvalidPrinter = -30880;

// The only panel type that yields panels: the print dialog.
inline constexpr std::string_view kPrintDialogPDEType = "BDB091F4-E57F-11D3-B5CC-0050E4603277";
// Session data key of the PPD reference.
inline constexpr std::string_view kPMPPDReference = "kPMPPDReference";
// Summary dictionary key that lists the titles in display order.
inline constexpr std::string_view kSummaryDisplayOrder = "Summary Display Order";

enum PMDestinationType : int {
  kPMDestinationInvalid = 0,
  kPMDestinationPrinter = 1,
  kPMDestinationFile = 2,
  kPMDestinationFax = 3,
  kPMDestinationPreview = 4,
  kPMDestinationProcessPDF = 5,
};

// The settings ticket: key -> text, each entry with a locked flag. The filter receives every
// entry as a job option of the same name.
class PrintSettings {
 public:
  virtual ~PrintSettings() = default;
  // Stores `value` under `key`; kPMKeyLocked when the entry is locked already.
  virtual OSStatus SetValue(std::string_view key, std::string_view value, bool locked) = 0;
  // kPMKeyNotFound when absent; `value` is left unchanged then.
  virtual OSStatus GetValue(std::string_view key, std::string& value) const = 0;
  virtual bool IsLocked(std::string_view key) const = 0;
};

using SessionValue = std::variant<std::string, int64_t>;

class PrintSession {
 public:
  virtual ~PrintSession() = default;
  // Identifier of the session's current printer (the per-printer key prefix);
  // kPMInvalidPrinter when there is no current printer.
  virtual OSStatus GetCurrentPrinterID(std::string& id) const = 0;
  // kPMKeyNotFound when absent.
  virtual OSStatus GetSessionData(std::string_view key, SessionValue& value) const = 0;
  virtual OSStatus SetSessionData(std::string_view key, SessionValue value) = 0;
  // One of PMDestinationType; only kPMDestinationPrinter lets the panels run their print-time
  // dialogs.
  virtual OSStatus GetDestinationType(const PrintSettings* settings, int& type) const = 0;
};

// Handed by the host to every panel of a bundle.
class PDEHostCallback {
 public:
  virtual ~PDEHostCallback() = default;
  virtual PrintSession* printSession() = 0;
  virtual PrintSettings* printSettings() = 0;
  virtual ppd_file_t* ppdFile() = 0;  // null when the printer has none
  // The host accepts (and marks) or refuses a PPD choice; a refusal leaves it unmarked.
  virtual bool willChangePPDOptionKeyValue(std::string_view option, std::string_view choice) = 0;
};

// Summary of a panel: title -> value text, and the titles in display order.
struct SummaryInfo {
  std::map<std::string, std::string> values;
  std::vector<std::string> displayOrder;
};

// What the host calls on each panel.
class PDEPanel {
 public:
  virtual ~PDEPanel() = default;
  virtual nx::platform::ui::View* panelView() = 0;
  virtual std::string panelName() = 0;
  virtual std::string panelKind() = 0;
  virtual std::optional<std::vector<std::string>> supportedPPDOptionKeys() = 0;
  virtual void willShow() = 0;
  virtual bool shouldHide() = 0;
  // `error` (may be null) receives a description on failure.
  virtual bool restoreValuesAndReturnError(std::string* error) = 0;
  virtual bool saveValuesAndReturnError(std::string* error) = 0;
  virtual SummaryInfo summaryInfo() = 0;
  virtual bool shouldPrint() = 0;
  virtual bool shouldShowHelp() = 0;
  virtual void PPDOptionKeyValueDidChange(std::string_view option, std::string_view choice) = 0;
};

// One per bundle.
class PDEPlugIn {
 public:
  virtual ~PDEPlugIn() = default;
  // Keeps the bundle (and the services to use); false when the plug-in cannot work with it.
  virtual bool initWithBundle(const nx::platform::Bundle& bundle, nx::platform::Services& services) = 0;
  // Panels for `type`; nothing for any type but kPrintDialogPDEType. `host` is handed to every
  // panel and outlives them.
  virtual std::vector<std::unique_ptr<PDEPanel>> PDEPanelsForType(std::string_view type,
                                                                    PDEHostCallback* host) = 0;
};

// The C entry point each plug-in library exports (the only visible symbol). It answers a new
// principal object, owned by the caller, or null when `interfaceVersion` is not the one the
// plug-in was built for.
inline constexpr int kPDEInterfaceVersion = 1;
inline constexpr const char* kPDEEntryPointName = "NXCreatePDEPlugIn";
extern "C" {
using NXCreatePDEPlugInFunc = PDEPlugIn* (*)(int interfaceVersion);
}
#define NX_PDE_EXPORT_ENTRY_POINT(PlugInClass)                                                     \
  extern "C" __attribute__((visibility("default"))) ::pdekit::PDEPlugIn* NXCreatePDEPlugIn(       \
      int interfaceVersion) {                                                                       \
    if (interfaceVersion != ::pdekit::kPDEInterfaceVersion) return nullptr;                        \
    try {                                                                                           \
      return new PlugInClass();                                                                     \
    } catch (...) {                                                                                 \
      return nullptr;                                                                               \
    }                                                                                               \
  }

// ---- Ready-made host side, used by the dialog host and by tests ----

class BasicPrintSettings final : public PrintSettings {
 public:
  OSStatus SetValue(std::string_view key, std::string_view value, bool locked) override;
  OSStatus GetValue(std::string_view key, std::string& value) const override;
  bool IsLocked(std::string_view key) const override;
  // Every entry, in key order (what becomes the job options).
  std::vector<std::pair<std::string, std::string>> Entries() const;
  size_t size() const { return entries_.size(); }

 private:
  struct Entry {
    std::string value;
    bool locked;
  };
  std::map<std::string, Entry, std::less<>> entries_;
};

class BasicPrintSession final : public PrintSession {
 public:
  explicit BasicPrintSession(std::string printerID = {}, int destinationType = kPMDestinationPrinter)
      : printer_id_(std::move(printerID)), destination_type_(destinationType) {}
  OSStatus GetCurrentPrinterID(std::string& id) const override;
  OSStatus GetSessionData(std::string_view key, SessionValue& value) const override;
  OSStatus SetSessionData(std::string_view key, SessionValue value) override;
  OSStatus GetDestinationType(const PrintSettings* settings, int& type) const override;
  void SetCurrentPrinterID(std::string id) { printer_id_ = std::move(id); }
  void SetDestinationType(int type) { destination_type_ = type; }

 private:
  std::string printer_id_;
  int destination_type_;
  std::map<std::string, SessionValue, std::less<>> data_;
};

// Accepts PPD choices by marking them (ppdMarkOption), except for refused options.
class BasicHostCallback final : public PDEHostCallback {
 public:
  BasicHostCallback(PrintSession* session, PrintSettings* settings, ppd_file_t* ppd)
      : session_(session), settings_(settings), ppd_(ppd) {}
  PrintSession* printSession() override { return session_; }
  PrintSettings* printSettings() override { return settings_; }
  ppd_file_t* ppdFile() override { return ppd_; }
  bool willChangePPDOptionKeyValue(std::string_view option, std::string_view choice) override;
  void RefuseOption(std::string option) { refused_.insert(std::move(option)); }

 private:
  PrintSession* session_;
  PrintSettings* settings_;
  ppd_file_t* ppd_;
  std::set<std::string, std::less<>> refused_;
};

// A parsed PPD that closes itself.
using nx::cups::PpdFilePtr;
// Opens and parses `path` and marks its defaults; null when it cannot be read or parsed. With a
// `language` ("ja", "ja_JP"), the group, option and choice texts are that language's (the PPD's
// *ll.Translation and *ll.<option> lines, through ppdLocalize); texts without a translation,
// and every text for a language the PPD lacks, stay English.
PpdFilePtr OpenPPDFile(const std::string& path, const std::string& language = {});

}  // namespace pdekit
