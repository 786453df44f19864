// The control model: every element of a panel that holds a setting is wrapped in a control
// derived from BaseControl. A control owns two value blocks (the committed value and the value
// last read from the element), knows its ticket key and preference key (access info), which
// other controls each of its values disables, hides or refreshes (constraint table), and turns
// its value into ticket, preference and summary text. The concrete controls fill in the
// per-type conversions.
//
// Ownership: the element, the panel and the static tables are not owned; the value blocks, the
// localization table name and the PPD choice array are. Services (preferences, identity, system
// version, toolkit) are reached through the owning panel, so a control kept outside a panel
// stores and shows nothing.
#pragma once

#include <cups/ppd.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "nx/platform/preferences.h"
#include "nx/platform/toolkit.h"
#include "pdekit/ControlTables.h"
#include "pdekit/PDEChoice.h"
#include "pdekit/PDEHost.h"

namespace nx::platform {
class Bundle;
class Services;
}  // namespace nx::platform

namespace pdekit {

class BasePrintPanel;

// Buffer sizes of the conversions: ticket text at most 255 bytes, preference text at most 254.
inline constexpr size_t kTicketDataSize = 256;
inline constexpr size_t kPreferenceStringSize = 255;
// System version from which settings are kept inside the print settings.
inline constexpr int kPrintSettingsPreferenceVersion = 0x1070;

// A device-option preference key and the PPD attribute that stands for it.
struct DeviceOptionKey {
  std::string_view preferenceKey;
  const char* attribute;
};
// Keys the controls treat specially, named by the plug-in that owns them.
struct SpecialKeys {
  // Values kept in protected form in the preferences (passwords).
  std::span<const std::string_view> protectedPreferenceKeys;
  // Values the device-option reader takes from the PPD from 0x1070 on.
  std::span<const DeviceOptionKey> deviceOptionKeys;
};
// Each plug-in registers its tables before it builds a panel (its principal object and panels
// do). The tables are not copied and must outlive every control; registering the same tables
// again changes nothing.
void RegisterSpecialKeys(const SpecialKeys& keys);

// Exactly the registered protected preference keys.
bool IsProtectedPreferenceKey(std::string_view key);
// The PPD attribute registered for a device-option preference key; null for other keys.
const char* DeviceOptionAttributeForPreferenceKey(std::string_view key);

// Which old-style preference reader the controls of a panel use.
enum class PreferenceReaderKind {
  kStandard,
  // The fax plug-in's: from 0x1070 on the device options come from PPD attributes.
  kDeviceOptionsFromPPD,
};

// The text as a byte list when it begins with "/" or holds an apostrophe, a comma or a
// backslash ("/97/44/98" for "a,b"); else unchanged.
std::string ToTicketByteList(std::string_view text);
// A ticket text read back: a text that begins with "/" is a byte list and is decoded as the
// filter decodes it (each "/n" one byte, n taken modulo 256 when negative, as the signed form
// writes it; the text ends at a zero byte); any other text is returned unchanged.
std::string FromTicketByteList(std::string_view text);
// The longest prefix of `text` of at most `maxBytes` bytes that does not end inside a UTF-8
// sequence.
std::string_view CutUtf8(std::string_view text, size_t maxBytes);

class BaseControl {
 public:
  BaseControl(nx::platform::ui::Element* element, const ConstrainTable* constrain, const DataAccessInfo* access,
              nx::platform::PrefUser user);
  virtual ~BaseControl();
  BaseControl(const BaseControl&) = delete;
  BaseControl& operator=(const BaseControl&) = delete;

  // ---- Creation and set-up ----

  // Zeroes counters, sizes and pointers, stores the element; the group becomes -1.
  void CreateControl(nx::platform::ui::Element* element);
  void SetControlPtr(nx::platform::ui::Element* element) { ControlPtr = element; }
  nx::platform::ui::Element* GetControlPtr() const { return ControlPtr; }
  // The tag of the element, 0 without one.
  int GetControlTag() const;
  void SetParenetPanel(BasePrintPanel* panel) { ctrlParentPanelPtr = panel; }
  BasePrintPanel* GetParentPanel() const { return ctrlParentPanelPtr; }
  // Makes the element call RequestControlAction.
  virtual void setTargetandAction();
  // Remembers the PPD and its localization table; the concrete controls allocate their blocks.
  virtual bool InitializeCtrl(const nx::platform::Bundle* bundle, ppd_file_t* ppd);
  virtual bool ReInitializeCtrl(const nx::platform::Bundle* bundle, ppd_file_t* ppd);
  virtual int Open() { return 0; }
  virtual int Close() { return 0; }
  virtual int pdeTerminate() { return 0; }

  // ---- Value blocks ----

  virtual const void* GetDefaultDataBlk() const { return nullptr; }
  virtual uint32_t GetDefaultDataSize() const { return 0; }
  virtual const void* GetIniDataBlk() const { return nullptr; }
  virtual uint32_t GetIniDataSize() const { return 0; }
  virtual uint32_t GetCtrlDataSize() const { return 0; }
  // The control block (null before initialisation).
  uint8_t* GetControlBlkPtr() { return ctrlDataBlkPtr.empty() ? nullptr : ctrlDataBlkPtr.data(); }
  const uint8_t* GetControlBlkPtr() const { return ctrlDataBlkPtr.empty() ? nullptr : ctrlDataBlkPtr.data(); }
  uint8_t* GetValueFromControl() { return GetControlBlkPtr(); }
  // The UI block (null before initialisation).
  uint8_t* GetValueFromUIDataBlk() { return ctrlUIDataBlkPtr.empty() ? nullptr : ctrlUIDataBlkPtr.data(); }
  const uint8_t* GetValueFromUIDataBlk() const {
    return ctrlUIDataBlkPtr.empty() ? nullptr : ctrlUIDataBlkPtr.data();
  }
  size_t GetBlockCapacity() const { return ctrlDataBlkPtr.size(); }
  void setDataBlkSize(uint32_t size) { ctrlDataSize = size; }
  uint32_t GetDataBlkSize() const { return ctrlDataSize; }

  virtual void SetControlValueToDefault();
  virtual void SetUIValueToIniData();
  virtual void SetDefaultValueToUI();
  // Value type 2: a 32-bit number; value type 0: `size` bytes of text.
  virtual void setExternalValueToData(const void* value, uint32_t size, int valueType);
  virtual void SetValueFromUIToControl();
  // Reads the element into the UI block; the block, or null when there is nothing to read.
  virtual uint8_t* GetValueFromUI() { return nullptr; }
  virtual void SetControlValueToUI() {}
  // Puts a value into the UI block and shows it; false when it does not fit.
  virtual bool SetControlValueToUIBlk(const void* value, size_t size) { return false; }
  virtual void SetExternalValueToUI(const void* value, uint32_t size) {}
  virtual void SetControlData(const void* value, size_t size) {}

  // ---- Conversions ----

  // Ticket text (kept to 255 bytes by the writers); false when there is no value.
  virtual bool ConvertToTickectData(std::string& out) { return true; }
  // Preference text (kept to 254 bytes by the writers).
  virtual bool ConvertToPreferenceString(std::string& out) { return true; }
  virtual bool ConvertFromPreferenceString(std::string_view text) { return true; }
  // Whether `text`, found under a protected key but not in protected form, is a value this
  // control could hold in clear (what earlier versions stored); base: never.
  virtual bool IsClearStoredValue(std::string_view text) const { return false; }

  // ---- Persistence ----

  // Per-printer preferences (systems before 0x1070).
  virtual bool SetValueToPreference();
  virtual bool GetValueFromPreference();
  // Inside the current print settings (from 0x1070 on).
  virtual bool SetValueToPreferenceWithPrinterSettings();
  virtual bool GetValueFromPreferenceWithPrinterSettings();
  virtual bool SetValueToTicket(PrintSettings* settings, bool locked);
  virtual bool SetValueToTicketWithXSPEnc(PrintSettings* settings, bool locked);
  // The enciphered writer when `encryptTags` holds this control's element tag.
  virtual bool SetValueToTicket(PrintSettings* settings, bool locked, const std::vector<int>* encryptTags);
  // Reads the ticket value back from the current print settings.
  virtual bool GetValueToPreset() { return false; }

  // ---- Events and constraints ----

  // The element's action: UIEventHandler, then GetValueFromUI.
  virtual void RequestControlAction(nx::platform::ui::Element& sender);
  // Update, self update, hide and disable constraints, in this order.
  virtual bool UIEventHandler();
  // The same without a user event; afterwards the UI block holds what the element shows.
  virtual bool SimulationUIEventHandler();
  virtual void DoControlUpdateConstrain();
  virtual void DoControlConstrain() {}
  virtual void DoControlHideConstrain() {}
  virtual void DoSelfUpdate() {}
  virtual void Update() {}
  void DisableControlConstrains(ControlIDList list);
  void EnableControlConstrains(ControlIDList list);
  void HideControlConstrains(ControlIDList list);
  void ShowControlConstrains(ControlIDList list);
  // The same with the lists of the current value number.
  void DisableControlConstrains();
  void EnableControlConstrains();
  void HideControlConstrains();
  void ShowControlConstrains();
  virtual int GetCurrentControlArrayNumber() const { return 0; }

  // Counted: a control disabled by two others stays disabled until both release it.
  virtual void Enable();
  virtual void Disable();
  virtual void Show();
  virtual void Hide();
  void PPDCtrlShow();
  void PPDCtrlHide();
  virtual void ResetStatus();
  virtual int ConstrainPanelControlFromPPD(ppd_file_t* ppd) { return 0; }
  virtual int UpdateConflictsPanelControlFromPPD(ppd_file_t* ppd) { return 0; }
  int GetConstrainCount() const { return ctrlConstrainCount; }
  int GetHideCount() const { return ctrlHideCount; }

  // ---- Validation and summary ----

  virtual bool PreInvalidateData() { return true; }
  virtual bool PreInvalidateDataOnCancel() { return true; }
  virtual bool InvalidateData() { return true; }
  virtual bool InvalidateDataAndReturnError() { return true; }
  virtual bool InvalidateDataOnCancel() { return true; }
  virtual void GetSummaryText(SummaryInfo& summary) {}
  // Neither hidden nor disabled by constraints.
  bool ToGetSummaryText() const { return ctrlHideCount == 0 && ctrlConstrainCount == 0; }

  // ---- PPD binding and accessors ----

  const std::optional<std::vector<PDEChoice>>& getPPDChoices() const { return m_paPPDChoices; }
  void setPPDChoices(std::optional<std::vector<PDEChoice>> choices) { m_paPPDChoices = std::move(choices); }
  ppd_option_t* getPPDOptions() const { return m_ptPPDOptions; }
  void setPPDOptions(ppd_option_t* option) { m_ptPPDOptions = option; }
  ppd_file_t* GetCurrentPPD() const { return m_pcCurrentPPD; }
  const DataAccessInfo* GetAccessInfo() const { return ctrlDataAccessInfoPtr; }
  const ConstrainTable* GetConstrainTable() const { return ctrlConstrainControlArray; }
  nx::platform::PrefUser GetPreferenceUser() const { return userNameinPreference; }
  int GetInWhichGroup() const { return ctrlInWhichGroup; }
  void SetInWhichGroup(int group) { ctrlInWhichGroup = group; }
  const std::string& GetLocalizeTableName() const { return LocalizeTableName; }
  const nx::platform::Bundle* GetBundle() const { return ctrlBundle; }

 protected:
  // The services of the owning panel, or null.
  nx::platform::Services* Services() const;
  nx::platform::ui::Toolkit* Toolkit() const;
  // The translation of `key` in the control's table ("no translation" when missing) and the
  // translation or the key itself.
  std::string Localized(std::string_view key) const;
  std::string LocalizedOrKey(std::string_view key) const;
  std::string LocalizedInDefaultTable(std::string_view key) const;
  // Both blocks with `size` bytes each, zeroed, unless they exist already; true when they
  // were made now.
  bool AllocateDataBlocks(size_t size);
  // The list of `lists` for `number`, empty when there is none.
  static ControlIDList ListFor(std::span<const ControlIDList> lists, int number);
  // Adds "title -> value" to the summary, keeping the display order free of repeats.
  static void AddSummaryLine(SummaryInfo& summary, const std::string& title, const std::string& value);
  int SystemVersion() const;
  // Text shown to the user when the value of the field is invalid (alert with OK).
  void ShowValidationAlert(const char* messageKey);

  // 32-bit values of the fixed-size blocks.
  static int32_t ReadInt(const uint8_t* block);
  static void WriteInt(uint8_t* block, int32_t value);

  nx::platform::ui::Element* ControlPtr = nullptr;
  BasePrintPanel* ctrlParentPanelPtr = nullptr;
  std::vector<uint8_t> ctrlDataBlkPtr;
  std::vector<uint8_t> ctrlUIDataBlkPtr;
  uint32_t ctrlDataSize = 0;
  const ConstrainTable* ctrlConstrainControlArray = nullptr;
  int32_t ctrlConstrainCount = 0;
  int32_t ctrlHideCount = 0;
  const DataAccessInfo* ctrlDataAccessInfoPtr = nullptr;
  nx::platform::PrefUser userNameinPreference = nx::platform::PrefUser::kCurrent;
  int32_t ctrlInWhichGroup = -1;
  ppd_file_t* m_pcCurrentPPD = nullptr;
  ppd_option_t* m_ptPPDOptions = nullptr;
  std::optional<std::vector<PDEChoice>> m_paPPDChoices;
  std::string LocalizeTableName;
  const nx::platform::Bundle* ctrlBundle = nullptr;

 private:
  void ApplyToList(ControlIDList list, void (BaseControl::*operation)());
  bool StoreOldStylePreference(const std::string& text);
  std::optional<std::string> ReadOldStylePreference();
  // False for a setting shared by all users while the user is not an administrator.
  bool MayStorePreference() const;
  // The text either store keeps: protected under a protected key, else the plain text.
  bool PreferenceText(std::string* out);
  // Takes the value of a text stored under a protected key; a clear value of an earlier
  // version is taken as well and handed to `rewrite` in protected form.
  bool TakeProtectedValue(const std::string& stored, const std::function<void(const std::string&)>& rewrite);
};

}  // namespace pdekit
