// The fax bundle in Japanese: its tables translate every English key with the same formats, and
// a Japanese session reads the panels and the windows they open in Japanese.
#include <gtest/gtest.h>

#include "../support/string_tables.h"
#include "recipient_steps.h"

namespace {

using namespace faxpde::testing;

TEST(Japanese, TablesTranslateEveryKeyWithTheSameFormats) {
  const std::string res = std::string(NX_FAXPDE_BUNDLES) + "/faxpde.plugin/Contents/Resources/";
  for (const char* table : {"Localizable.strings", "Localizable00.strings"})
    EXPECT_EQ(nx::testing::TranslationFaults(res + "en.lproj/" + table, res + "ja.lproj/" + table),
              std::vector<std::string>{})
        << table;
}

TEST(Japanese, ASessionInJapaneseReadsThePanelsAndWindowsInJapanese) {
  nx::testing::ScopedLanguage japanese("ja_JP.UTF-8");
  FaxHost h;
  const auto report = h.Play(Scenario(
      {{Print(), In(kRecipientWindow, R"("action": "expect", "tag": 1, "title": "宛先名:")")},
       TypedRecipient("Abc", "0312345678"),
       Confirm()}));
  ASSERT_EQ(report.outcome, pdehost::DialogOutcome::kPrinted) << Failures(report);
  std::vector<std::string> panels, windows;
  for (const auto& p : report.panels) panels.push_back(p.name);
  for (const auto& w : h.toolkit->ShownWindows())
    if (w.name != "Print Dialog") windows.push_back(w.title);
  EXPECT_EQ(panels, (std::vector<std::string>{"デバイスオプション", "ファクス設定"}));
  EXPECT_EQ(windows, (std::vector<std::string>{"ファクス宛先", "送信内容の確認"}));
}

}  // namespace
