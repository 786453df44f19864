// The dialog host with test doubles: preferences in memory, a fixed user and kernel release,
// and the test plug-in bundle built next to the tests.
#pragma once

#include <memory>
#include <string>

#include "../support/plugin_fixture.h"
#include "nx/platform/services.h"
#include "pdehost/DialogHost.h"
#include "pdehost/Scenario.h"

namespace pdehost::testing {

inline std::string Scenarios(const std::string& name) { return std::string(NX_HOST_SCENARIOS) + "/" + name; }
inline constexpr const char* kPanelKind = "com.norvalex.test.pde.TestKind";
inline std::string Key(const std::string& name) { return "com.norvalex.nb.qtz.printsettings." + name; }

struct HostFixture {
  explicit HostFixture(const char* kernelRelease = "9.8",
                       std::shared_ptr<nx::platform::MemoryPreferences> sharedPrefs = nullptr) {
    auto tk = nx::testing::MakeScenarioToolkit();
    toolkit = tk.get();
    std::unique_ptr<nx::platform::Preferences> prefs;
    if (sharedPrefs) prefs = std::make_unique<ForwardingPreferences>(sharedPrefs);
    else prefs = std::make_unique<nx::platform::MemoryPreferences>();
    services = std::make_unique<nx::platform::Services>(
        std::move(prefs), nullptr, std::make_unique<nx::platform::FixedIdentity>("alice", true), nullptr, nullptr,
        std::make_unique<nx::platform::FixedKernelRelease>(kernelRelease), std::move(tk));
    host = std::make_unique<DialogHost>(*services, *toolkit);
  }

  DialogSetup Setup() const {
    DialogSetup s;
    s.bundlesDir = NX_TEST_BUNDLES;
    s.queue = "Test_Queue";
    s.ppdPath = Scenarios("TestQueue.ppd");
    return s;
  }

  // Parses `json`, opens the dialog with `setup` (scenario settings applied) and plays it.
  DialogReport Play(const std::string& json, DialogSetup setup) {
    Scenario scenario;
    std::string why;
    if (!ParseScenario(json, NX_HOST_SCENARIOS, &scenario, &why)) throw std::runtime_error(why);
    return PlayScenario(scenario, std::move(setup));
  }
  DialogReport Play(const std::string& json) { return Play(json, Setup()); }

  DialogReport PlayScenario(const Scenario& scenario, DialogSetup setup) {
    setup.options.insert(setup.options.end(), scenario.options.begin(), scenario.options.end());
    setup.refuseOptions = scenario.refuseOptions;
    if (scenario.destination) setup.destination = *scenario.destination;
    std::string why;
    if (!host->Open(setup, &why)) throw std::runtime_error(why);
    return host->Run(scenario);
  }

  // Preferences that outlive one dialog, shared by several fixtures.
  using ForwardingPreferences = nx::testing::ForwardingPreferences;

  ScenarioToolkit* toolkit = nullptr;
  std::unique_ptr<nx::platform::Services> services;
  std::unique_ptr<DialogHost> host;
};

inline std::string Option(const DialogReport& r, const std::string& key) {
  for (const auto& [k, v] : r.jobOptions)
    if (k == key) return v;
  return "<absent>";
}

inline std::string Failures(const DialogReport& r) {
  std::string out;
  for (const auto& f : r.failures) out += f.message + "\n";
  return out;
}

}  // namespace pdehost::testing
