#include "nx/platform/preferences.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "temp_dir.h"

namespace {

using nx::platform::FilePreferences;
using nx::platform::PrefDomain;
using nx::platform::PrefHost;
using nx::platform::PrefUser;
using nx::platform::PropertyValue;
using nx::testing::TempDir;

const PrefDomain kAnyAppCurrentHost{std::string(nx::platform::kAnyApplication), PrefUser::kCurrent, PrefHost::kCurrent};
const PrefDomain kAppAnyUser{"com.norvalex.test", PrefUser::kAny, PrefHost::kAny};

class FilePreferencesTest : public ::testing::Test {
 protected:
  FilePreferences Open() { return FilePreferences(dir_ / "user", dir_ / "all", "HOSTID"); }
  TempDir dir_;
};

TEST_F(FilePreferencesTest, DomainsMapToTheirFiles) {
  auto prefs = Open();
  EXPECT_EQ(prefs.DomainFile(kAnyAppCurrentHost), dir_ / "user/ByHost/.GlobalPreferences.HOSTID.plist");
  EXPECT_EQ(prefs.DomainFile(kAppAnyUser), dir_ / "all/com.norvalex.test.plist");
  EXPECT_EQ(prefs.DomainFile({"a", PrefUser::kCurrent, PrefHost::kAny}), dir_ / "user/a.plist");
  EXPECT_EQ(prefs.DomainFile({"../evil", PrefUser::kCurrent, PrefHost::kAny}), "");
}

TEST_F(FilePreferencesTest, ValuesSurviveARoundTripThroughFiles) {
  {
    auto prefs = Open();
    prefs.SetValue("PRN1com.norvalex.key", PropertyValue("value 1"), kAnyAppCurrentHost);
    prefs.SetValue("list", PropertyValue(PropertyValue::Array{"ja", "en"}), kAppAnyUser);
    EXPECT_EQ(prefs.CopyString("PRN1com.norvalex.key", kAnyAppCurrentHost), "value 1");  // cached before sync
    ASSERT_TRUE(prefs.Synchronize(kAnyAppCurrentHost));
    ASSERT_TRUE(prefs.Synchronize(kAppAnyUser));
  }
  auto again = Open();
  EXPECT_EQ(again.CopyString("PRN1com.norvalex.key", kAnyAppCurrentHost), "value 1");
  EXPECT_EQ(again.CopyValue("list", kAppAnyUser), PropertyValue(PropertyValue::Array{"ja", "en"}));
  EXPECT_FALSE(again.CopyValue("PRN1com.norvalex.key", kAppAnyUser).has_value());  // other domain
  EXPECT_EQ(std::filesystem::status(dir_ / "all/com.norvalex.test.plist").permissions() &
                std::filesystem::perms::others_read,
            std::filesystem::perms::others_read);

  again.SetValue("PRN1com.norvalex.key", std::nullopt, kAnyAppCurrentHost);
  EXPECT_FALSE(again.CopyValue("PRN1com.norvalex.key", kAnyAppCurrentHost).has_value());
  ASSERT_TRUE(again.Synchronize(kAnyAppCurrentHost));
  EXPECT_FALSE(Open().CopyValue("PRN1com.norvalex.key", kAnyAppCurrentHost).has_value());
}

TEST_F(FilePreferencesTest, SynchronizeKeepsOtherWritersKeys) {
  auto a = Open();
  auto b = Open();
  a.SetValue("fromA", PropertyValue("1"), kAnyAppCurrentHost);
  b.SetValue("fromB", PropertyValue("2"), kAnyAppCurrentHost);
  ASSERT_TRUE(a.Synchronize(kAnyAppCurrentHost));
  ASSERT_TRUE(b.Synchronize(kAnyAppCurrentHost));
  EXPECT_EQ(b.CopyString("fromA", kAnyAppCurrentHost), "1");
  ASSERT_TRUE(a.Synchronize(kAnyAppCurrentHost));  // nothing pending: re-reads
  EXPECT_EQ(a.CopyString("fromB", kAnyAppCurrentHost), "2");
}

TEST_F(FilePreferencesTest, CorruptFileReadsAsNotFoundAndIsReplacedOnWrite) {
  auto prefs = Open();
  const std::string file = prefs.DomainFile(kAnyAppCurrentHost);
  nx::testing::WriteText(file, "<?xml version=\"1.0\"?><plist><dict><key>k</key><string>trunc");
  EXPECT_FALSE(prefs.CopyValue("k", kAnyAppCurrentHost).has_value());
  nx::testing::WriteText(prefs.DomainFile(kAppAnyUser), "<plist><array><string>x</string></array></plist>");
  EXPECT_FALSE(prefs.CopyValue("x", kAppAnyUser).has_value());  // a root that is not a dictionary

  prefs.SetValue("k", PropertyValue("fresh"), kAnyAppCurrentHost);
  ASSERT_TRUE(prefs.Synchronize(kAnyAppCurrentHost));
  EXPECT_EQ(Open().CopyString("k", kAnyAppCurrentHost), "fresh");
}

TEST_F(FilePreferencesTest, FailedSynchronizeKeepsChangesPendingAndOldFileWhole) {
  auto prefs = Open();
  prefs.SetValue("k", PropertyValue("old"), kAppAnyUser);
  ASSERT_TRUE(prefs.Synchronize(kAppAnyUser));
  const std::string before = nx::testing::ReadText(prefs.DomainFile(kAppAnyUser));

  // Make the folder unusable for the temporary file: replace it by a file of the same name.
  const std::string folder = dir_ / "all";
  std::filesystem::rename(folder, dir_ / "all.saved");
  nx::testing::WriteText(folder, "not a folder");
  prefs.SetValue("k", PropertyValue("new"), kAppAnyUser);
  EXPECT_FALSE(prefs.Synchronize(kAppAnyUser));
  EXPECT_EQ(prefs.CopyString("k", kAppAnyUser), "new");  // still pending

  std::filesystem::remove(folder);
  std::filesystem::rename(dir_ / "all.saved", folder);
  EXPECT_EQ(nx::testing::ReadText(prefs.DomainFile(kAppAnyUser)), before);
  ASSERT_TRUE(prefs.Synchronize(kAppAnyUser));
  EXPECT_EQ(Open().CopyString("k", kAppAnyUser), "new");
}

TEST(Preferences, AppValueFollowsTheSearchList) {
  nx::platform::MemoryPreferences prefs;
  const std::string app = "com.app";
  prefs.SetValue("k", PropertyValue("any user, any app"), {std::string(nx::platform::kAnyApplication), PrefUser::kAny, PrefHost::kAny});
  EXPECT_EQ(*prefs.CopyAppValue("k", app)->AsString(), "any user, any app");
  prefs.SetValue("k", PropertyValue("user, any app"), {std::string(nx::platform::kAnyApplication), PrefUser::kCurrent, PrefHost::kAny});
  EXPECT_EQ(*prefs.CopyAppValue("k", app)->AsString(), "user, any app");
  prefs.SetValue("k", PropertyValue("user, app, any host"), {app, PrefUser::kCurrent, PrefHost::kAny});
  EXPECT_EQ(*prefs.CopyAppValue("k", app)->AsString(), "user, app, any host");
  prefs.SetValue("k", PropertyValue("user, app, this host"), {app, PrefUser::kCurrent, PrefHost::kCurrent});
  EXPECT_EQ(*prefs.CopyAppValue("k", app)->AsString(), "user, app, this host");
  EXPECT_FALSE(prefs.CopyAppValue("missing", app).has_value());
}

TEST(Preferences, MemoryDoubleCanRefuseWrites) {
  nx::platform::MemoryPreferences prefs;
  prefs.fail_writes = true;
  prefs.SetValue("k", PropertyValue("v"), kAppAnyUser);
  EXPECT_FALSE(prefs.Synchronize(kAppAnyUser));
  EXPECT_TRUE(prefs.stored.empty());
  prefs.fail_writes = false;
  EXPECT_TRUE(prefs.Synchronize(kAppAnyUser));
  EXPECT_EQ(*prefs.stored[kAppAnyUser]["k"].AsString(), "v");
}

}  // namespace
