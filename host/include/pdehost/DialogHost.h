// The stand-in print dialog: it owns the print session, the print settings, the parsed PPD and
// the host callback object, loads the plug-in bundles, asks each for its panels and calls the
// panel operations the way a print dialog does, while a scenario plays the user.
//
// The dialog itself is a modal window of the toolkit; every scenario step is performed from
// its modal loop, so windows that panels open run nested loops that take the following steps,
// exactly as a user's actions would reach them.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "pdehost/JobOptions.h"
#include "pdehost/PlugInLoader.h"
#include "pdehost/Scenario.h"
#include "pdehost/ScenarioToolkit.h"
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

enum class DialogOutcome {
  kPrinted,            // every panel agreed to print
  kCancelled,          // the user or a panel stopped printing
  kExpectationFailed,  // a step could not be done or found something else than expected
};

struct PanelReport {
  std::string bundle;
  std::string name;
  std::string kind;
  std::vector<std::string> ppdOptionKeys;  // supportedPPDOptionKeys
  bool shown = false;
  pdekit::SummaryInfo summary;
};

struct StepFailure {
  size_t step = 0;  // 0: not tied to a step
  std::string message;
};

struct DialogReport {
  DialogOutcome outcome = DialogOutcome::kCancelled;
  std::string cancelReason;
  std::vector<StepFailure> failures;
  std::vector<PanelReport> panels;
  JobOptionList jobOptions;
  std::vector<nx::platform::ui::AlertRecord> alerts;
};

class DialogHost {
 public:
  // `toolkit` must be the toolkit of `services`.
  DialogHost(nx::platform::Services& services, ScenarioToolkit& toolkit);
  ~DialogHost();
  DialogHost(const DialogHost&) = delete;
  DialogHost& operator=(const DialogHost&) = delete;

  // Opens the PPD (its defaults and the given options marked), creates the session, settings
  // and callback object, loads the bundles and asks each for its panels. False with `*error`.
  bool Open(const DialogSetup& setup, std::string* error);
  // Plays the scenario and ends with Print (added when the scenario has neither Print nor
  // Cancel), then reports.
  DialogReport Run(const Scenario& scenario);

  pdekit::BasicPrintSettings& settings() { return settings_; }
  ppd_file_t* ppd() const { return ppd_.get(); }
  // The job options: the print settings, then the accepted PPD choices not among them.
  JobOptionList JobOptions() const;

 private:
  struct Panel {
    LoadedPlugIn* owner = nullptr;
    std::unique_ptr<pdekit::PDEPanel> panel;
    std::string name;
    std::string kind;
    std::vector<std::string> ppdOptionKeys;
    bool shown = false;
  };
  class Runner;

  Panel* FindPanel(const std::string& key);
  void ShowPanel(Panel& panel, size_t step);

  nx::platform::Services& services_;
  ScenarioToolkit& toolkit_;
  pdekit::PpdFilePtr ppd_;
  std::string ppdPath_;
  std::string ppdTempFile_;  // a copy fetched from the print system, removed at the end
  pdekit::BasicPrintSession session_;
  pdekit::BasicPrintSettings settings_;
  std::unique_ptr<DialogHostCallback> callback_;
  std::vector<std::unique_ptr<LoadedPlugIn>> plugins_;
  std::vector<Panel> panels_;  // declared last: the panels go before their plug-ins
  Panel* front_ = nullptr;     // the panel shown last
  std::vector<StepFailure> failures_;
};

}  // namespace pdehost
