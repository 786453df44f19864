// The dialog host with the real fax bundle and test doubles (tests/support/plugin_fixture.h).
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "../support/plugin_fixture.h"

namespace faxpde::testing {

inline constexpr const char* kFaxSettingKind = "com.norvalex.nb.q21.pde.DirectFaxKind";
inline constexpr const char* kDeviceOptionKind = "com.norvalex.nb.q21.pde.DeviceOptionKind";
using nx::testing::Failures;
using nx::testing::ForwardingPreferences;
using nx::testing::Key;
using nx::testing::kNewSystem;
using nx::testing::kOldSystem;
using nx::testing::Lines;
using nx::testing::Option;
using nx::testing::User;

class PPDVariant : public nx::testing::PPDVariant {
 public:
  explicit PPDVariant(const std::vector<std::pair<std::string, std::string>>& replacements)
      : nx::testing::PPDVariant(replacements, "faxpde") {}
};

struct FaxHost : nx::testing::PluginHost {
  explicit FaxHost(User user = {}, std::shared_ptr<nx::platform::MemoryPreferences> prefs = nullptr)
      : PluginHost(
            nx::testing::PlugIn{NX_FAXPDE_BUNDLES, "faxpde.plugin", NX_FAXPDE_SCENARIOS},
            std::move(user), std::move(prefs)) {}
};

}  // namespace faxpde::testing
