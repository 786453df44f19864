#include <gtest/gtest.h>

#include <filesystem>

#include "nx/platform/bundle.h"
#include "nx/platform/help.h"
#include "temp_dir.h"

namespace {

using nx::platform::Bundle;
using nx::testing::TempDir;
using nx::testing::WriteText;

std::string Strings(const std::vector<std::pair<std::string, std::string>>& entries) {
  std::string s = "<plist><dict>";
  for (const auto& [k, v] : entries) s += "<key>" + k + "</key><string>" + v + "</string>";
  return s + "</dict></plist>";
}

class BundleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = dir_ / "Account.plugin";
    WriteText(root_ + "/Contents/Info.plist",
              "<plist><dict><key>CFBundleIdentifier</key><string>com.norvalex.nb.qm08.pde.Account</string>"
              "<key>CFBundleShortVersionString</key><string>1.2</string>"
              "<key>CFBundleHelpBookName</key><string>Account Help</string>"
              "<key>CFBundleExecutable</key><string>accountpde</string></dict></plist>");
    const std::string res = root_ + "/Contents/Resources";
    WriteText(res + "/en.lproj/Localizable.strings", Strings({{"PDE Title", "Job Accounting"}, {"Case_1", "Case 1"}}));
    WriteText(res + "/en.lproj/Localizable3.strings", Strings({{"PDE Title", "Accounting (type 3)"}}));
    WriteText(res + "/Japanese.lproj/Localizable.strings", Strings({{"PDE Title", "部門管理"}}));
    WriteText(res + "/en.lproj/Help/index.htm", "<html/>");
    WriteText(res + "/Shared.png", "png");
    WriteText(res + "/en.lproj/Shared.png", "localized png");
    WriteText(res + "/ja.lproj/Only.txt", "ja");
  }
  TempDir dir_;
  std::string root_;
};

TEST_F(BundleTest, InfoAndStringTablesWithTheirFallbacks) {
  auto b = Bundle::Open(root_);
  ASSERT_TRUE(b);
  EXPECT_EQ(b->Identifier(), "com.norvalex.nb.qm08.pde.Account");
  EXPECT_EQ(b->ShortVersion(), "1.2");
  EXPECT_EQ(b->HelpBookName(), "Account Help");
  EXPECT_EQ(b->ExecutablePath(), root_ + "/Contents/Linux/accountpde.so");

  b->SetPreferredLanguages({"en"});
  EXPECT_EQ(b->LocalizedString("PDE Title"), "Job Accounting");
  EXPECT_EQ(b->LocalizedString("PDE Title", "", "Localizable3"), "Accounting (type 3)");
  // A table without the key does not fall back to another table.
  EXPECT_EQ(b->LocalizedString("Case_1", nx::platform::kNoTranslation, "Localizable3"), "no translation");
  EXPECT_EQ(b->LocalizedString("Missing Key"), "Missing Key");
  EXPECT_EQ(b->LocalizedString("Missing Key", "fallback", "NoSuchTable"), "fallback");

  b->SetPreferredLanguages({"ja_JP", "en"});  // "ja" is found under its legacy folder name
  EXPECT_EQ(b->LocalizedString("PDE Title"), "部門管理");
  EXPECT_EQ(b->LocalizedString("Case_1", nx::platform::kNoTranslation), "no translation");
}

TEST_F(BundleTest, ResourcesByNameAndType) {
  auto b = Bundle::Open(root_);
  ASSERT_TRUE(b);
  b->SetPreferredLanguages({"en"});
  EXPECT_EQ(b->ResourcePath("Shared", "png"), root_ + "/Contents/Resources/Shared.png");  // global first
  EXPECT_EQ(b->ResourcePath("index.htm", "", "Help"), root_ + "/Contents/Resources/en.lproj/Help/index.htm");
  EXPECT_EQ(b->ResourcePath("Only", "txt"), "");
  b->SetPreferredLanguages({"ja"});
  EXPECT_EQ(b->ResourcePath("Only", "txt"), root_ + "/Contents/Resources/ja.lproj/Only.txt");
  for (auto [name, type, sub] : {std::tuple{"../Info", "plist", ""}, {"Info", "plist", ".."}, {"x", "../y", ""},
                                 {"/etc/passwd", "", ""}}) {
    EXPECT_EQ(b->ResourcePath(name, type, sub), "") << name;
  }
  EXPECT_FALSE(Bundle::Open(dir_ / "nothing").has_value());
  WriteText(dir_ / "broken/Contents/Info.plist", "<plist><dict><key>a</key>");
  EXPECT_FALSE(Bundle::Open(dir_ / "broken").has_value());
}

TEST_F(BundleTest, HelpPagesAreOpenedOrRecorded) {
  auto b = Bundle::Open(root_);
  ASSERT_TRUE(b);
  b->SetPreferredLanguages({"en"});
  nx::platform::RecordingHelp help;
  EXPECT_EQ(help.RegisterBook(*b), 0);
  EXPECT_EQ(help.OpenPage(*b, "Account Help", "index.htm", "top"), 0);
  EXPECT_EQ(help.OpenPage(*b, "Account Help", "nope.htm", ""), nx::platform::kHelpNotFound);
  ASSERT_EQ(help.opened.size(), 1u);
  EXPECT_EQ(help.opened[0].url, "file://" + root_ + "/Contents/Resources/en.lproj/Help/index.htm#top");

  // The desktop service starts its launcher with the page's URL and does not wait for it.
  const std::string out = dir_ / "launched";
  WriteText(dir_ / "launcher.sh", "#!/bin/sh\necho \"$1\" > " + out + "\n");
  std::filesystem::permissions(dir_ / "launcher.sh", std::filesystem::perms::owner_all);
  nx::platform::DesktopHelp desktop(dir_ / "launcher.sh");
  EXPECT_EQ(desktop.OpenPage(*b, "Account Help", "index.htm", ""), 0);
  for (int i = 0; i < 100 && !std::filesystem::exists(out); ++i) usleep(20000);
  EXPECT_EQ(nx::testing::ReadText(out), "file://" + root_ + "/Contents/Resources/en.lproj/Help/index.htm\n");
  EXPECT_EQ(desktop.OpenPage(*b, "Account Help", "nope.htm", ""), nx::platform::kHelpNotFound);

  auto bare = Bundle::Open(root_);
  std::filesystem::remove_all(root_ + "/Contents/Resources/en.lproj/Help");
  EXPECT_EQ(help.RegisterBook(*bare), nx::platform::kHelpNotFound);
}

}  // namespace
