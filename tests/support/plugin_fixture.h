// The dialog host with a real plug-in bundle and test doubles: preferences in memory (shared
// between dialogs when wanted), a fixed user, host name, address and kernel release, recorded
// help requests, and PPD variants written from the fax queue's PPD. The plug-ins' test
// fixtures name their bundle and scenario folder and add their own constants.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "nx/platform/help.h"
#include "nx/platform/identity.h"
#include "nx/platform/network.h"
#include "nx/platform/preferences.h"
#include "nx/platform/services.h"
#include "nx/platform/system_version.h"
#include "pdehost/DialogHost.h"
#include "pdehost/Scenario.h"
#include "scenario_toolkit.h"

namespace nx::testing {

inline constexpr const char* kOldSystem = "9.8";    // 0x1058: per-printer preferences
inline constexpr const char* kNewSystem = "11.0";   // 0x1070: preferences in the print settings
using Lines = std::vector<std::pair<std::string, std::string>>;
inline std::string Key(const std::string& name) { return "com.norvalex.nb.qtz.printsettings." + name; }

// A copy of the fax queue's PPD with lines replaced (a line starting with `from` becomes `to`;
// an empty `to` drops it) in a folder removed with the object.
class PPDVariant {
 public:
  PPDVariant(const std::vector<std::pair<std::string, std::string>>& replacements, const std::string& prefix) {
    std::string tmpl = "/tmp/" + prefix + "-ppd-XXXXXX";
    if (!::mkdtemp(tmpl.data())) throw std::runtime_error("no temporary folder");
    dir_ = tmpl;
    std::ifstream in(std::string(NX_SOURCE_DIR) + "/ppd/nxfax.ppd");
    std::ofstream out(dir_ + "/Fax.ppd");
    std::string line;
    while (std::getline(in, line)) {
      bool replaced = false;
      for (const auto& [from, to] : replacements)
        if (line.rfind(from, 0) == 0) {
          if (!to.empty()) out << to << "\n";
          replaced = true;
          break;
        }
      if (!replaced) out << line << "\n";
    }
  }
  ~PPDVariant() { std::filesystem::remove_all(dir_); }
  PPDVariant(const PPDVariant&) = delete;
  PPDVariant& operator=(const PPDVariant&) = delete;
  std::string Path() const { return dir_ + "/Fax.ppd"; }

 private:
  std::string dir_;
};

// Preferences that outlive one dialog, shared by several hosts.
class ForwardingPreferences final : public nx::platform::Preferences {
 public:
  explicit ForwardingPreferences(std::shared_ptr<nx::platform::MemoryPreferences> to) : to_(std::move(to)) {}
  std::optional<nx::platform::PropertyValue> CopyValue(std::string_view key,
                                                       const nx::platform::PrefDomain& domain) override {
    return to_->CopyValue(key, domain);
  }
  void SetValue(std::string_view key, std::optional<nx::platform::PropertyValue> value,
                const nx::platform::PrefDomain& domain) override {
    to_->SetValue(key, std::move(value), domain);
  }
  bool Synchronize(const nx::platform::PrefDomain& domain) override { return to_->Synchronize(domain); }

 private:
  std::shared_ptr<nx::platform::MemoryPreferences> to_;
};

// An identity that outlives one dialog (the Linux one over test databases, say).
class ForwardingIdentity final : public nx::platform::Identity {
 public:
  explicit ForwardingIdentity(std::shared_ptr<const nx::platform::Identity> to) : to_(std::move(to)) {}
  std::optional<std::string> LoginName() const override { return to_->LoginName(); }
  nx::platform::GroupMembership AdminMembership(std::string_view user) const override {
    return to_->AdminMembership(user);
  }
  std::string ComputerName() const override { return to_->ComputerName(); }

 private:
  std::shared_ptr<const nx::platform::Identity> to_;
};

struct User {
  std::string login = "alice";
  bool admin = false;
  const char* kernelRelease = kOldSystem;
  // When set, stands in for the fixed identity made of `login` and `admin`.
  std::shared_ptr<const nx::platform::Identity> identity = nullptr;
};

// Where a plug-in's bundle and scenarios are.
struct PlugIn {
  std::string bundlesDir;
  std::string bundle;
  std::string scenariosDir;
};

struct PluginHost {
  PluginHost(PlugIn plugIn, User user, std::shared_ptr<nx::platform::MemoryPreferences> prefs)
      : plugIn_(std::move(plugIn)) {
    if (!prefs) prefs = std::make_shared<nx::platform::MemoryPreferences>();
    auto tk = MakeScenarioToolkit();
    toolkit = tk.get();
    auto recording = std::make_unique<nx::platform::RecordingHelp>();
    help = recording.get();
    services = std::make_unique<nx::platform::Services>(
        std::make_unique<ForwardingPreferences>(prefs), nullptr,
        user.identity ? std::unique_ptr<nx::platform::Identity>(std::make_unique<ForwardingIdentity>(user.identity))
                      : std::make_unique<nx::platform::FixedIdentity>(user.login, user.admin, "Front Desk"),
        std::make_unique<nx::platform::FixedNetwork>("pc1", std::vector<std::string>{"192.168.1.10"}),
        std::move(recording), std::make_unique<nx::platform::FixedKernelRelease>(user.kernelRelease), std::move(tk));
    host = std::make_unique<pdehost::DialogHost>(*services, *toolkit);
  }

  pdehost::DialogSetup Setup(const std::string& ppd = std::string(NX_SOURCE_DIR) + "/ppd/nxfax.ppd") const {
    pdehost::DialogSetup s;
    s.bundlesDir = plugIn_.bundlesDir;
    s.bundles = {plugIn_.bundle};
    s.queue = "Fax";
    s.ppdPath = ppd;
    return s;
  }

  pdehost::DialogReport Play(const std::string& json, pdehost::DialogSetup setup) {
    pdehost::Scenario scenario;
    std::string why;
    if (!pdehost::ParseScenario(json, plugIn_.scenariosDir, &scenario, &why)) throw std::runtime_error(why);
    setup.options.insert(setup.options.end(), scenario.options.begin(), scenario.options.end());
    setup.refuseOptions.insert(setup.refuseOptions.end(), scenario.refuseOptions.begin(), scenario.refuseOptions.end());
    if (scenario.destination) setup.destination = *scenario.destination;
    if (!host->Open(setup, &why)) throw std::runtime_error(why);
    return host->Run(scenario);
  }
  pdehost::DialogReport Play(const std::string& json) { return Play(json, Setup()); }

  pdehost::ScenarioToolkit* toolkit = nullptr;
  nx::platform::RecordingHelp* help = nullptr;
  std::unique_ptr<nx::platform::Services> services;
  std::unique_ptr<pdehost::DialogHost> host;

 private:
  PlugIn plugIn_;
};

inline std::string Option(const pdehost::DialogReport& r, const std::string& key) {
  for (const auto& [k, v] : r.jobOptions)
    if (k == key) return v;
  return "<absent>";
}

inline std::string Failures(const pdehost::DialogReport& r) {
  std::string out = r.cancelReason;
  for (const auto& f : r.failures) out += "\n" + f.message;
  return out;
}

}  // namespace nx::testing
