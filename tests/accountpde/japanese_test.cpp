// The account bundle in Japanese: its tables translate every English key with the same formats,
// and a Japanese session reads the panel and its details window in Japanese.
#include <gtest/gtest.h>

#include "../support/string_tables.h"
#include "account_fixture.h"

namespace {

using namespace accountpde::testing;

TEST(Japanese, TablesTranslateEveryKeyWithTheSameFormats) {
  const std::string res =
      std::string(NX_ACCOUNTPDE_BUNDLES) + "/accountpde.plugin/Contents/Resources/";
  for (const char* table : {"Localizable.strings", "Localizable00.strings"})
    EXPECT_EQ(nx::testing::TranslationFaults(res + "en.lproj/" + table, res + "ja.lproj/" + table),
              std::vector<std::string>{})
        << table;
}

TEST(Japanese, ASessionInJapaneseReadsThePanelAndItsWindowInJapanese) {
  nx::testing::ScopedLanguage japanese("ja_JP.UTF-8");
  AccountHost h(User{"bob", false, kOldSystem});
  const auto report = h.Play(R"({"steps": [
      {"action": "expect", "panel": "com.norvalex.nb.qm08.pde.AccountKind", "tag": 2, "text": "ユーザーモード"},
      {"action": "click", "panel": "com.norvalex.nb.qm08.pde.AccountKind", "tag": 5},
      {"action": "click", "window": "JBAInfoWnd", "tag": 10}]})");
  ASSERT_EQ(report.outcome, pdehost::DialogOutcome::kPrinted) << Failures(report);
  std::vector<std::string> panels, windows;
  for (const auto& p : report.panels) panels.push_back(p.name);
  for (const auto& w : h.toolkit->ShownWindows())
    if (w.name != "Print Dialog") windows.push_back(w.title);
  EXPECT_EQ(panels, (std::vector<std::string>{"ジョブ認証", "印刷方法"}));
  EXPECT_EQ(windows, std::vector<std::string>{"ユーザーモードの設定"});
}

}  // namespace
