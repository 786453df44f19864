#include <gtest/gtest.h>

#include "nx/platform/headless_toolkit.h"
#include "pdekit/Localization.h"
#include "ppd_fixture.h"

namespace {

using namespace pdekit;

TEST(Localization, TablesFromThePpdAndAlertsFromKeys) {
  nx::testing::TempDir dir;
  auto ppd = pdekit::testing::Ppd(dir, pdekit::testing::SimplePpd("*NXLocalizableFileIndex: \"3\"\n"));
  ASSERT_TRUE(ppd);
  EXPECT_EQ(GetLocalizeTableNameFromPPD(ppd.get()), "Localizable3");
  auto plain = pdekit::testing::Ppd(dir, pdekit::testing::SimplePpd(""), "plain.ppd");
  EXPECT_EQ(GetLocalizeTableNameFromPPD(plain.get()), "");

  const std::string root = dir / "Fax.plugin";
  nx::testing::WriteText(root + "/Contents/Info.plist",
                         "<plist><dict><key>CFBundleIdentifier</key><string>fax</string></dict></plist>");
  nx::testing::WriteText(root + "/Contents/Resources/en.lproj/Localizable3.strings",
                         "<plist><dict><key>Warning_String_Title_ID</key><string>Warning</string>"
                         "<key>Too_Many_ID</key><string>Up to %d recipients (%@ now).</string>"
                         "<key>OK Button Ctrl</key><string>OK</string></dict></plist>");
  auto bundle = nx::platform::Bundle::Open(root);
  ASSERT_TRUE(bundle);
  bundle->SetPreferredLanguages({"en"});
  EXPECT_EQ(LocalizedString(*bundle, "Fax Category Fax", "Localizable3"), "no translation");
  EXPECT_EQ(LocalizedStringOrKey(*bundle, "Fax Category Fax", "Localizable3"), "Fax Category Fax");

  nx::platform::ui::HeadlessToolkit tk;
  tk.Push(nx::platform::ui::Step::AnswerAlert(1));
  EXPECT_EQ(RunLocalizedAlert(tk, *bundle, "Localizable3", nx::platform::ui::AlertStyle::kCritical,
                              "Warning_String_Title_ID", "Too_Many_ID", {"OK Button Ctrl", "Cancel Button Ctrl"},
                              {"200", "201"}),
            1);
  ASSERT_EQ(tk.Alerts().size(), 1u);
  const auto& a = tk.Alerts()[0].alert;
  EXPECT_EQ(a.message_text, "Warning");
  EXPECT_EQ(a.informative_text, "Up to 200 recipients (201 now).");
  EXPECT_EQ(a.buttons, (std::vector<std::string>{"OK", "Cancel Button Ctrl"}));
  EXPECT_EQ(a.text_key, "Too_Many_ID");
  EXPECT_EQ(a.arguments, (std::vector<std::string>{"200", "201"}));
}

TEST(Localization, PlaceholdersTakeArgumentsInOrderOrByPosition) {
  EXPECT_EQ(FormatLocalized("%@ and %s, %ld%%", {"a", "b", "5"}), "a and b, 5%");
  EXPECT_EQ(FormatLocalized("%2$@ before %1$@", {"x", "y"}), "y before x");
  EXPECT_EQ(FormatLocalized("%d of %d", {"1"}), "1 of %d");
  EXPECT_EQ(FormatLocalized("100% sure %", {}), "100% sure %");
}

}  // namespace
