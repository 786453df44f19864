// The information-setting mode derived from the PPD's identity prompts ("NXSelectID") decides
// which fields of the accounting windows the user may fill: the details window of the current
// account mode and the per-job window disable what the device does not prompt for, and what is
// disabled is neither checked nor summarised.
#include <gtest/gtest.h>

#include "account_fixture.h"
#include "accountpde/JBAPanel.h"

namespace {

using namespace accountpde::testing;
using pdehost::DialogOutcome;

std::string On(const char* where, const std::string& body) {
  const std::string target = std::string(where) == "P"   ? R"("panel": "com.norvalex.nb.qm08.pde.AccountKind")"
                             : std::string(where) == "U" ? R"("window": "JBAInfoWnd")"
                             : std::string(where) == "A" ? R"("window": "JBAInfoAdminWnd")"
                                                         : R"("window": "JBAInputWindow")";
  return "{" + target + ", " + body + "}";
}
std::string Enabled(const char* where, int tag, bool enabled) {
  return On(where, R"("action": "expect", "tag": )" + std::to_string(tag) + R"(, "enabled": )" +
                       (enabled ? "true" : "false"));
}
std::string Steps(const std::vector<std::string>& steps) {
  std::string out = R"({"steps": [)";
  for (size_t i = 0; i < steps.size(); ++i) out += (i ? ",\n" : "") + steps[i];
  return out + "]}";
}
Lines Prompts(const char* choice) { return Lines{{"*DefaultNXSelectID:", std::string("*DefaultNXSelectID: ") + choice}}; }

struct PromptFields {
  const char* choice;
  bool user;     // user ID source, password, domain and their per-job fields
  bool account;  // account ID and its per-job fields
};

class PromptConstraints : public ::testing::TestWithParam<PromptFields> {};

// Details asked for with each job (the per-job window shows the masked variants by default):
// each window offers only the prompts the device uses, and the per-job OK accepts the fields
// left out empty.
TEST_P(PromptConstraints, WindowsOfferOnlyThePromptsTheDeviceUses) {
  const auto& c = GetParam();
  PPDVariant ppd(Prompts(c.choice));
  AccountHost h;
  std::vector<std::string> steps{
      On("P", R"("action": "click", "tag": 5)"),
      Enabled("U", 22, c.user),  Enabled("U", 29, c.user),  Enabled("U", 24, c.user),  Enabled("U", 32, c.account),
      // The radio stays free; its checks skip the fields left out. It releases the format
      // boxes, but not one the mode holds.
      Enabled("U", 30, true),    On("U", R"("action": "click", "tag": 30)"),
      Enabled("U", 34, c.user),  Enabled("U", 35, c.account),
      On("U", R"("action": "click", "tag": 10)"), R"({"action": "print"})",
      Enabled("I", 46, c.user),  Enabled("I", 48, c.user),  Enabled("I", 43, c.user),
      Enabled("I", 51, c.account)};
  if (c.account) steps.push_back(On("I", R"("action": "enter", "tag": 51, "text": "A-7")"));
  if (c.user) {
    steps.push_back(On("I", R"("action": "enter", "tag": 46, "text": "carol")"));
    steps.push_back(On("I", R"("action": "enter", "tag": 48, "text": "9876")"));
  }
  steps.push_back(On("I", R"("action": "click", "tag": 10)"));
  const auto report = h.Play(Steps(steps), h.Setup(ppd.Path()));
  ASSERT_EQ(report.outcome, DialogOutcome::kPrinted) << c.choice << Failures(report);
  EXPECT_TRUE(report.alerts.empty()) << c.choice;
  EXPECT_EQ(Option(report, Key("JBAInputUserIDTextEditTicket")), c.user ? "carol" : "");
  EXPECT_EQ(Option(report, Key("JBAInputAccountIDTextEditTicket")), c.account ? "A-7" : "");
}

INSTANTIATE_TEST_SUITE_P(Choices, PromptConstraints,
                         ::testing::Values(PromptFields{"UserID_AccountID", true, true},
                                           PromptFields{"UserID", true, false},
                                           PromptFields{"AccountID", false, true}));

TEST(PromptConstraints, AFieldLeftOutIsNotSummarised) {
  PPDVariant ppd(Prompts("UserID"));
  AccountHost h;
  const auto report = h.Play(Steps({On("P", R"("action": "click", "tag": 5)"),
                                    On("U", R"("action": "select", "tag": 22, "index": 1)"),
                                    On("U", R"("action": "enter", "tag": 26, "text": "bob")"),
                                    On("U", R"("action": "click", "tag": 10)"), R"({"action": "print"})"}),
                             h.Setup(ppd.Path()));
  ASSERT_EQ(report.outcome, DialogOutcome::kPrinted) << Failures(report);
  const auto& summary = report.panels.at(0).summary.values;
  EXPECT_EQ(summary.at("User ID"), "bob");
  EXPECT_EQ(summary.count("Account ID"), 0u);
  EXPECT_EQ(summary.count("Password"), 1u);
}

TEST(PromptConstraints, TheDetailsButtonOpensTheCurrentModesWindowWithItsConstraints) {
  PPDVariant ppd(Prompts("AccountID"));
  AccountHost h(User{"alice", true, kOldSystem});
  const auto report = h.Play(Steps({On("P", R"("action": "select", "tag": 2, "index": 0)"),
                                    On("P", R"("action": "click", "tag": 5)"), Enabled("A", 22, false),
                                    Enabled("A", 29, false), Enabled("A", 32, true), Enabled("A", 12, true),
                                    On("A", R"("action": "enter", "tag": 32, "text": "42")"),
                                    On("A", R"("action": "click", "tag": 10)"), R"({"action": "print"})"}),
                             h.Setup(ppd.Path()));
  ASSERT_EQ(report.outcome, DialogOutcome::kPrinted) << Failures(report);
  EXPECT_EQ(Option(report, Key("JBAAdminAccountIDTextEditTicket")), "42");
  EXPECT_EQ(report.panels.at(0).summary.values.count("User ID"), 0u);
}

TEST(PromptConstraints, RestoreKeepsTheLeftOutFieldsDisabled) {
  PPDVariant ppd(Prompts("UserID"));
  AccountHost h;
  // Restore replays the radios, which release what they had disabled; the mode's hold stays.
  const auto report = h.Play(Steps({On("P", R"("action": "click", "tag": 5)"),
                                    On("U", R"("action": "click", "tag": 30)"),
                                    On("U", R"("action": "click", "tag": 12)"), Enabled("U", 32, false),
                                    Enabled("U", 35, false), Enabled("U", 29, true),
                                    On("U", R"("action": "click", "tag": 11)")}),
                             h.Setup(ppd.Path()));
  EXPECT_EQ(report.outcome, DialogOutcome::kPrinted) << Failures(report);
}

// "None": the details cannot be opened; details asked for with each job (stored earlier) are
// asked with nothing to fill, and OK prints.
TEST(PromptConstraints, NoPromptsLeavesThePerJobWindowWithoutFields) {
  auto prefs = std::make_shared<nx::platform::MemoryPreferences>();
  {
    AccountHost h(User{}, prefs);
    const auto report = h.Play(Steps({On("P", R"("action": "click", "tag": 5)"),
                                      On("U", R"("action": "click", "tag": 30)"),
                                      On("U", R"("action": "click", "tag": 10)"), R"({"action": "print"})",
                                      On("I", R"("action": "enter", "tag": 46, "text": "carol")"),
                                      On("I", R"("action": "enter", "tag": 48, "text": "9876")"),
                                      On("I", R"("action": "click", "tag": 10)")}));
    ASSERT_EQ(report.outcome, DialogOutcome::kPrinted) << Failures(report);
  }
  PPDVariant ppd(Prompts("None"));
  AccountHost h(User{}, prefs);
  const auto report = h.Play(Steps({Enabled("P", 5, false), R"({"action": "print"})", Enabled("I", 46, false),
                                    Enabled("I", 48, false), Enabled("I", 51, false), Enabled("I", 40, true),
                                    On("I", R"("action": "click", "tag": 10)")}),
                             h.Setup(ppd.Path()));
  ASSERT_EQ(report.outcome, DialogOutcome::kPrinted) << Failures(report);
  EXPECT_EQ(Option(report, accountpde::kJBAInfoSetTicketKey), "8");
}

}  // namespace
