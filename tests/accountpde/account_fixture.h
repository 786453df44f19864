// The dialog host with the real account bundle and test doubles (tests/support/plugin_fixture.h).
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "../support/plugin_fixture.h"

namespace accountpde::testing {

inline constexpr const char* kAccountKind = "com.norvalex.nb.qm08.pde.AccountKind";
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
      : nx::testing::PPDVariant(replacements, "accountpde") {}
};

struct AccountHost : nx::testing::PluginHost {
  explicit AccountHost(User user = {}, std::shared_ptr<nx::platform::MemoryPreferences> prefs = nullptr)
      : PluginHost(
            nx::testing::PlugIn{NX_ACCOUNTPDE_BUNDLES, "accountpde.plugin", NX_ACCOUNTPDE_SCENARIOS},
            std::move(user), std::move(prefs)) {}
};

}  // namespace accountpde::testing
