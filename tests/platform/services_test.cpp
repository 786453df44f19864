#include "nx/platform/services.h"

#include <gtest/gtest.h>

#include "nx/platform/headless_toolkit.h"

namespace {

TEST(Services, DoublesAreChosenAtStartUp) {
  auto toolkit = std::make_unique<nx::platform::ui::HeadlessToolkit>();
  auto* tk = toolkit.get();
  nx::platform::Services s(std::make_unique<nx::platform::MemoryPreferences>(),
                           std::make_unique<nx::platform::RootedFolders>("/tmp/root"),
                           std::make_unique<nx::platform::FixedIdentity>("alice", true),
                           std::make_unique<nx::platform::FixedNetwork>("mac1", std::vector<std::string>{"10.0.0.1"}),
                           nullptr, std::make_unique<nx::platform::FixedKernelRelease>("10.0.0"), std::move(toolkit));
  EXPECT_EQ(s.SystemVersion(), 0x1060);
  EXPECT_EQ(s.folders().PhonebookDir(), "/tmp/root/ApplicationSupport/NORVALEX/JPN/MFP_D-FAX");
  EXPECT_TRUE(s.identity().IsAdmin("alice"));
  EXPECT_EQ(s.network().HostName(), "mac1");
  EXPECT_EQ(&s.toolkit(), tk);
  s.toolkit().Beep();
  EXPECT_EQ(tk->BeepCount(), 1);
  int seen = 0;
  s.notifications().AddObserver("n", [&](const auto&) { ++seen; });
  s.notifications().Post("n");
  EXPECT_EQ(seen, 1);

  auto linux_services = nx::platform::Services::Linux();
  EXPECT_EQ(linux_services->SystemVersion(), nx::platform::CurrentSystemVersion());
}

}  // namespace
