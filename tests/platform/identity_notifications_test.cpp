#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include "nx/platform/identity.h"
#include "nx/platform/notifications.h"
#include "temp_dir.h"

namespace {

using nx::platform::GroupMembership;
using nx::platform::PrettyHostNameFromMachineInfo;

TEST(Identity, PrettyHostNameFollowsShellQuoting) {
  EXPECT_EQ(PrettyHostNameFromMachineInfo("PRETTY_HOSTNAME=\"Sales Mac 1\"\n"), "Sales Mac 1");
  EXPECT_EQ(PrettyHostNameFromMachineInfo("CHASSIS=laptop\nPRETTY_HOSTNAME='It''s'\n"), "Its");
  EXPECT_EQ(PrettyHostNameFromMachineInfo("PRETTY_HOSTNAME=Lisa\\'s\\ PC\r\n"), "Lisa's PC");
  EXPECT_EQ(PrettyHostNameFromMachineInfo("PRETTY_HOSTNAME=\"a \\\"b\\\"\""), "a \"b\"");
  EXPECT_EQ(PrettyHostNameFromMachineInfo("#PRETTY_HOSTNAME=x\nICON_NAME=computer"), "");
  EXPECT_EQ(PrettyHostNameFromMachineInfo("PRETTY_HOSTNAME=one\nPRETTY_HOSTNAME=two"), "two");
  EXPECT_EQ(PrettyHostNameFromMachineInfo(""), "");
}

TEST(Identity, ComputerNamePrefersThePrettyName) {
  nx::testing::TempDir dir;
  nx::testing::WriteText(dir / "machine-info", "PRETTY_HOSTNAME=\"Front Desk\"\n");
  EXPECT_EQ(nx::platform::LinuxIdentity(dir / "machine-info").ComputerName(), "Front Desk");
  char host[256] = {};
  ASSERT_EQ(gethostname(host, sizeof host - 1), 0);
  EXPECT_EQ(nx::platform::LinuxIdentity(dir / "absent").ComputerName(), host);
  nx::testing::WriteText(dir / "empty", "PRETTY_HOSTNAME=\n");
  EXPECT_EQ(nx::platform::LinuxIdentity(dir / "empty").ComputerName(), host);
}

TEST(Identity, AdminTestUsesTheGroupAndPrimaryGroup) {
  EXPECT_TRUE(nx::platform::GroupListContains(80, 80, {}));      // primary group only
  EXPECT_TRUE(nx::platform::GroupListContains(80, 20, {12, 80}));
  EXPECT_FALSE(nx::platform::GroupListContains(80, 20, {12, 81}));

  nx::platform::LinuxIdentity id;
  const passwd* pw = getpwuid(getuid());
  ASSERT_NE(pw, nullptr);
  EXPECT_EQ(id.LoginName(), pw->pw_name);
  const GroupMembership m = id.AdminMembership(pw->pw_name);
  if (getgrnam("admin") == nullptr) EXPECT_EQ(m, GroupMembership::kGroupNotFound);
  else EXPECT_TRUE(m == GroupMembership::kMember || m == GroupMembership::kNotMember);
  EXPECT_EQ(id.AdminMembership(""), GroupMembership::kUserNotFound);

  nx::platform::FixedIdentity admin("alice", true), user("bob", false);
  EXPECT_TRUE(admin.IsAdmin("alice"));
  EXPECT_FALSE(admin.IsAdmin("bob"));
  EXPECT_FALSE(user.IsAdmin("bob"));
}

TEST(Notifications, DeliveredByNameAndSenderWhileObserversChange) {
  nx::platform::NotificationCenter center;
  std::vector<std::string> calls;
  int sender_a = 0, sender_b = 0;
  nx::platform::NotificationCenter::Token late = 0;
  auto t1 = center.AddObserver("FaxPhonebookModelChanged", [&](const nx::platform::Notification& n) {
    calls.push_back("1:" + n.name);
    late = center.AddObserver("FaxPhonebookModelChanged", [&](const auto&) { calls.push_back("late"); });
  });
  nx::platform::NotificationCenter::Token t3 = 0;
  center.AddObserver("FaxPhonebookModelChanged", [&](const auto&) {
    calls.push_back("2");
    center.RemoveObserver(t3);  // removed before its turn: not called
  });
  t3 = center.AddObserver("FaxPhonebookModelChanged", [&](const auto&) { calls.push_back("3"); });
  center.AddObserver("", [&](const auto& n) { calls.push_back("all:" + n.name); }, &sender_a);

  center.Post("FaxPhonebookModelChanged", &sender_b);
  EXPECT_EQ(calls, (std::vector<std::string>{"1:FaxPhonebookModelChanged", "2"}));
  calls.clear();
  center.RemoveObserver(t1);
  center.RemoveObserver(late);
  center.Post("FaxPhonebookRecipientModelChanged", &sender_a);
  EXPECT_EQ(calls, (std::vector<std::string>{"all:FaxPhonebookRecipientModelChanged"}));

  {
    nx::platform::ScopedObserver scoped(center, "X", [&](const auto&) { calls.push_back("scoped"); });
    center.Post("X");
  }
  center.Post("X");
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "scoped"), 1);
}

}  // namespace
