// The stand-in print dialog: a print session (PrintSession.h) whose user is a scenario, played
// in a scripted toolkit (the headless one, or a desktop one under test).
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
#include "pdehost/PrintSession.h"
#include "pdehost/Scenario.h"
#include "pdehost/ScenarioToolkit.h"

namespace pdehost {

enum class DialogOutcome {
  kPrinted,            // every panel agreed to print
  kCancelled,          // the user or a panel stopped printing
  kExpectationFailed,  // a step could not be done or found something else than expected
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

  pdekit::BasicPrintSettings& settings() { return session_.settings(); }
  ppd_file_t* ppd() const { return session_.ppd(); }
  // The job options: the print settings, then the accepted PPD choices not among them.
  JobOptionList JobOptions() const { return session_.JobOptions(); }
  PrintSession& session() { return session_; }

 private:
  using Panel = PrintSession::Panel;
  class Runner;

  void ShowPanel(Panel& panel, size_t step);

  ScenarioToolkit& toolkit_;
  PrintSession session_;
  std::vector<StepFailure> failures_;
};

}  // namespace pdehost
