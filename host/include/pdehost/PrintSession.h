// The print session of a print dialog, on whatever toolkit the services carry: it owns the
// parsed PPD, the print session and settings objects and the host callback, loads the plug-in
// bundles, asks each for its panels, shows panels and runs the print sequence.
//
// The dialog around it (the scenario runner of pdehost, the desktop program's window) decides
// when panels are shown and when the user prints; windows the panels open while doing so run
// in the toolkit of the services.
#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "pdehost/JobOptions.h"
#include "pdehost/PlugInLoader.h"
#include "pdekit/PDEHost.h"

namespace nx::platform {
class Services;
}

namespace pdehost {

struct DialogSetup {
  std::string bundlesDir;             // empty: the installed plug-ins (nx::platform::PlugInDir())
  std::vector<std::string> bundles;  // folder names in load order; empty: every bundle, by name
  std::string queue;                 // the session's printer and the queue jobs go to
  std::string ppdPath;               // empty: the queue's PPD from the print system
  int destination = pdekit::kPMDestinationPrinter;
  JobOptionList options;  // marked in the PPD and stored in the print settings
  std::vector<std::string> refuseOptions;
};

// The host side of the protocol: the host's objects, accepting a PPD choice by marking it.
class DialogHostCallback final : public pdekit::PDEHostCallback {
 public:
  DialogHostCallback(pdekit::PrintSession* session, pdekit::PrintSettings* settings, ppd_file_t* ppd)
      : session_(session), settings_(settings), ppd_(ppd) {}
  pdekit::PrintSession* printSession() override { return session_; }
  pdekit::PrintSettings* printSettings() override { return settings_; }
  ppd_file_t* ppdFile() override { return ppd_; }
  // Refused for options named in RefuseOption and for choices the PPD does not have.
  bool willChangePPDOptionKeyValue(std::string_view option, std::string_view choice) override;
  void RefuseOption(std::string option) { refused_.insert(std::move(option)); }
  // Choices accepted so far, by option.
  const std::map<std::string, std::string>& AcceptedChoices() const { return accepted_; }

 private:
  pdekit::PrintSession* session_;
  pdekit::PrintSettings* settings_;
  ppd_file_t* ppd_;
  std::set<std::string, std::less<>> refused_;
  std::map<std::string, std::string> accepted_;
};

struct PanelReport {
  std::string bundle;
  std::string name;
  std::string kind;
  std::vector<std::string> ppdOptionKeys;  // supportedPPDOptionKeys
  bool shown = false;
  pdekit::SummaryInfo summary;
};

// How the print sequence ended.
struct PrintResult {
  bool printed = false;
  std::string cancelReason;  // why not, when not printed
};

class PrintSession {
 public:
  struct Panel {
    LoadedPlugIn* owner = nullptr;
    std::unique_ptr<pdekit::PDEPanel> panel;
    std::string name;
    std::string kind;
    std::vector<std::string> ppdOptionKeys;
    bool shown = false;
    bool summarized = false;
    pdekit::SummaryInfo summary;
  };

  explicit PrintSession(nx::platform::Services& services);
  ~PrintSession();
  PrintSession(const PrintSession&) = delete;
  PrintSession& operator=(const PrintSession&) = delete;

  // Opens the PPD (its defaults and the given options marked), creates the session, settings
  // and callback object, loads the bundles and asks each for its panels. False with `*error`.
  bool Open(const DialogSetup& setup, std::string* error);

  const std::vector<std::unique_ptr<LoadedPlugIn>>& plugins() const { return plugins_; }
  std::vector<Panel>& panels() { return panels_; }
  const std::vector<Panel>& panels() const { return panels_; }
  // By panelKind, then panelName, or "#n" (the n-th panel, from 0); null when none.
  Panel* FindPanel(const std::string& key);
  // The panel in front asked to hide (unless it is this one), then panelView, restore, willShow.
  // What went wrong, one message each (the panel is shown all the same).
  std::vector<std::string> ShowPanel(Panel& panel);
  Panel* FrontPanel() const { return front_; }

  // Print: every shown panel saves its values, every panel gives its summary, then every
  // panel is asked shouldPrint in order (panels may run their windows then). The first
  // failure or refusal ends the sequence.
  PrintResult Print();

  // The job options: the print settings, then the accepted PPD choices not among them.
  JobOptionList JobOptions() const;
  std::vector<PanelReport> Reports() const;

  nx::platform::Services& services() const { return services_; }
  pdekit::BasicPrintSettings& settings() { return settings_; }
  pdekit::BasicPrintSession& session() { return session_; }
  ppd_file_t* ppd() const { return ppd_.get(); }
  const std::string& ppdPath() const { return ppdPath_; }

 private:
  nx::platform::Services& services_;
  pdekit::PpdFilePtr ppd_;
  std::string ppdPath_;
  std::string ppdTempFile_;  // a copy fetched from the print system, removed at the end
  pdekit::BasicPrintSession session_;
  pdekit::BasicPrintSettings settings_;
  std::unique_ptr<DialogHostCallback> callback_;
  std::vector<std::unique_ptr<LoadedPlugIn>> plugins_;
  std::vector<Panel> panels_;  // declared last: the panels go before their plug-ins
  Panel* front_ = nullptr;     // the panel shown last
};

}  // namespace pdehost
