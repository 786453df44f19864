#include "nx/platform/property_list.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "temp_dir.h"

namespace {

using nx::platform::ParsePropertyList;
using nx::platform::PropertyValue;
using nx::testing::TempDir;

PropertyValue Sample() {
  PropertyValue::Dictionary d;
  d["text"] = "漢字 é \"<&>\"";
  d["empty"] = "";
  d["yes"] = true;
  d["negative"] = int64_t{-42};
  d["big"] = int64_t{1} << 40;
  d["real"] = 2.5;
  d["data"] = PropertyValue::Data{0, 1, 2, 255};
  d["date"] = PropertyValue::Date{86400.0};
  d["list"] = PropertyValue::Array{"a", int64_t{1}, PropertyValue::Array{}, PropertyValue::Dictionary{{"k", "v"}}};
  return PropertyValue(std::move(d));
}

TEST(PropertyList, EveryKindSurvivesXmlAndFiles) {
  const PropertyValue v = Sample();
  const std::string xml = nx::platform::ToXmlPropertyList(v);
  ASSERT_NE(xml.find("<plist"), std::string::npos);
  EXPECT_EQ(ParsePropertyList(xml), v);

  TempDir dir;
  const std::string path = dir / "sub/folder/file.plist";
  ASSERT_TRUE(nx::platform::WritePropertyListFile(path, v));
  EXPECT_EQ(nx::platform::ReadPropertyListFile(path), v);
  EXPECT_EQ(std::filesystem::status(path).permissions() & std::filesystem::perms::all,
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
}

TEST(PropertyList, MalformedInputIsRefusedNotTrusted) {
  const std::string good = nx::platform::ToXmlPropertyList(Sample());
  std::string deep;
  for (int i = 0; i < 5000; ++i) deep += "<array>";
  const std::string cases[] = {
      "",
      "not a plist at all",
      good.substr(0, good.size() / 2),                         // cut in the middle
      std::string("bplist00") + std::string(40, '\xff'),      // binary header, garbage body
      "<plist>" + deep + "</plist>",
  };
  for (const auto& c : cases) EXPECT_FALSE(ParsePropertyList(c).has_value()) << c.substr(0, 60);
  // Every prefix of a valid file is either refused or parses cleanly; none may crash.
  for (size_t n = 0; n < good.size(); n += 7) (void)ParsePropertyList(good.substr(0, n));
}

TEST(PropertyList, AtomicWriteReplacesWholeFileAndLeavesNoTemporaries) {
  TempDir dir;
  const std::string path = dir / "prefs.plist";
  ASSERT_TRUE(nx::platform::WriteFileAtomically(path, "first"));
  ASSERT_TRUE(nx::platform::WriteFileAtomically(path, "second, longer"));
  EXPECT_EQ(nx::testing::ReadText(path), "second, longer");
  int files = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir.path())) ++files, (void)e;
  EXPECT_EQ(files, 1);
}

TEST(PropertyList, FailedWriteKeepsTheOldFileAndCleansUp) {
  TempDir dir;
  // A folder standing where the file should go makes the final rename fail.
  const std::string blocked = dir / "blocked.plist";
  std::filesystem::create_directories(blocked + "/child");
  EXPECT_FALSE(nx::platform::WriteFileAtomically(blocked, "data"));
  EXPECT_TRUE(std::filesystem::is_directory(blocked));
  int entries = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir.path())) ++entries, (void)e;
  EXPECT_EQ(entries, 1) << "temporary file left behind";
  // A parent that is a file cannot be created.
  nx::testing::WriteText(dir / "plain", "x");
  EXPECT_FALSE(nx::platform::WriteFileAtomically(dir / "plain/inner.plist", "data"));
  EXPECT_EQ(nx::testing::ReadText(dir / "plain"), "x");
}

}  // namespace
