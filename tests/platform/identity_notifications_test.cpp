#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <map>
#include <memory>

#include "nx/platform/identity.h"
#include "nx/platform/notifications.h"
#include "temp_dir.h"

namespace {

using nx::platform::FixedAccountDatabase;
using nx::platform::GroupMembership;
using nx::platform::ReadSystemGroups;
using nx::platform::SystemGroupsFromCupsFilesConf;
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
  if (getuid() == 0) EXPECT_EQ(m, GroupMembership::kMember) << "root administers printers";
  else EXPECT_TRUE(m == GroupMembership::kMember || m == GroupMembership::kNotMember);
  EXPECT_EQ(id.AdminMembership(""), GroupMembership::kUserNotFound);

  nx::platform::FixedIdentity admin("alice", true), user("bob", false);
  EXPECT_TRUE(admin.IsAdmin("alice"));
  EXPECT_FALSE(admin.IsAdmin("bob"));
  EXPECT_FALSE(user.IsAdmin("bob"));
}

TEST(Identity, SystemGroupLinesOfTheCupsFilesConf) {
  using Groups = std::vector<std::string>;
  const std::pair<const char*, Groups> cases[] = {
      {"SystemGroup lpadmin sys root\n", {"lpadmin", "sys", "root"}},
      // Every line counts, in any case; comments, quotes and repeats.
      {"# SystemGroup wheel\nsystemgroup\tlp  adm # staff\nLogLevel warn\nSystemGroup lp \"print admins\"\r\n",
       {"lp", "adm", "print admins"}},
      {"  SystemGroup faxadmin", {"faxadmin"}},
      {"SystemGroupX wheel\nSystemGroup\nSystemGroup   \n#SystemGroup wheel\n", {}},
      {"", {}},
  };
  for (const auto& [text, groups] : cases) EXPECT_EQ(SystemGroupsFromCupsFilesConf(text), groups) << text;

  nx::testing::TempDir dir;
  const Groups debian{"lpadmin", "sys", "root"};
  EXPECT_EQ(ReadSystemGroups(dir / "absent"), debian);
  nx::testing::WriteText(dir / "none.conf", "LogLevel warn\n");
  EXPECT_EQ(ReadSystemGroups(dir / "none.conf"), debian);
  nx::testing::WriteText(dir / "two.conf", "SystemGroup faxadmin\nSystemGroup sudo\n");
  EXPECT_EQ(ReadSystemGroups(dir / "two.conf"), (Groups{"faxadmin", "sudo"}));
  EXPECT_EQ(ReadSystemGroups(dir.path()), debian) << "a folder does not read";

  // The print system's own file, moved with its server root.
  const char* saved = std::getenv("CUPS_SERVERROOT");
  const std::string restore = saved ? saved : "";
  setenv("CUPS_SERVERROOT", dir.path().c_str(), 1);
  EXPECT_EQ(nx::platform::DefaultCupsFilesConfPath(), dir / "cups-files.conf");
  unsetenv("CUPS_SERVERROOT");
  EXPECT_EQ(nx::platform::DefaultCupsFilesConfPath(), "/etc/cups/cups-files.conf");
  if (saved) setenv("CUPS_SERVERROOT", restore.c_str(), 1);
}

TEST(Identity, AdministratorsAreRootAndTheMembersOfTheSystemGroups) {
  nx::testing::TempDir dir;
  nx::testing::WriteText(dir / "fax.conf", "SystemGroup faxadmin\nSystemGroup sudo\n");
  nx::testing::WriteText(dir / "missing.conf", "SystemGroup nosuchgroup\n");
  const auto accounts = std::make_shared<FixedAccountDatabase>(
      "alice",
      std::map<std::string, FixedAccountDatabase::User, std::less<>>{{"root", {0, 0, {}}},
                                                                    {"alice", {1000, 1000, {24, 120}}},
                                                                    {"carol", {1002, 120, {}}},
                                                                    {"bob", {1001, 1001, {27}}}},
      std::map<std::string, unsigned, std::less<>>{{"lpadmin", 120}, {"sys", 3}, {"root", 0}, {"sudo", 27}});
  struct Case {
    const char* conf;
    const char* user;
    GroupMembership expected;
  };
  const Case cases[] = {
      // No readable file: Debian's groups.
      {"absent", "alice", GroupMembership::kMember},  // supplementary group
      {"absent", "carol", GroupMembership::kMember},  // primary group
      {"absent", "bob", GroupMembership::kNotMember},
      {"absent", "root", GroupMembership::kMember},
      {"absent", "nobody", GroupMembership::kUserNotFound},
      {"absent", "", GroupMembership::kUserNotFound},
      // The file's groups replace the default; a group that does not exist is skipped.
      {"fax.conf", "bob", GroupMembership::kMember},
      {"fax.conf", "alice", GroupMembership::kNotMember},
      {"missing.conf", "alice", GroupMembership::kGroupNotFound},
      {"missing.conf", "root", GroupMembership::kMember},
  };
  for (const auto& c : cases) {
    nx::platform::LinuxIdentity id(dir / "machine-info", dir / c.conf, accounts);
    EXPECT_EQ(id.AdminMembership(c.user), c.expected) << c.conf << " " << c.user;
  }
  nx::platform::LinuxIdentity id(dir / "machine-info", dir / "absent", accounts);
  EXPECT_EQ(id.LoginName(), "alice");
  EXPECT_TRUE(id.IsAdmin("alice"));
  bool first = false;
  EXPECT_EQ(id.CachedAdminMembership("bob", &first), GroupMembership::kNotMember);
  EXPECT_TRUE(first);
  EXPECT_EQ(id.CachedAdminMembership("bob", &first), GroupMembership::kNotMember);
  EXPECT_FALSE(first);

  auto broken = std::make_shared<FixedAccountDatabase>(*accounts);
  broken->Break();
  nx::platform::LinuxIdentity unreadable(dir / "machine-info", dir / "absent", broken);
  EXPECT_EQ(unreadable.AdminMembership("alice"), GroupMembership::kLookupFailed);
  EXPECT_EQ(unreadable.LoginName(), std::nullopt);
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
