// The accounting windows through the dialog host: details entered and stored, field rules and
// their messages, the per-job prompt on Print, last-input memory, the administrator lock and
// the summary lines.
#include <gtest/gtest.h>

#include "account_fixture.h"

namespace {

using namespace accountpde::testing;
using pdehost::DialogOutcome;

// Steps on the pane ("P"), the user-mode details window ("U"), the administrator window ("A")
// and the per-job window ("I").
std::string Step(const std::string& where, const std::string& body) {
  std::string target;
  if (where == "P") target = R"("panel": "com.norvalex.nb.qm08.pde.AccountKind")";
  else if (where == "U") target = R"("window": "JBAInfoWnd")";
  else if (where == "A") target = R"("window": "JBAInfoAdminWnd")";
  else target = R"("window": "JBAInputWindow")";
  return "{" + target + ", " + body + "}";
}
std::string Plain(const std::string& body) { return "{" + body + "}"; }
std::string Scenario(const std::vector<std::string>& steps, const std::string& extra = "") {
  std::string out = "{" + extra + R"("steps": [)";
  for (size_t i = 0; i < steps.size(); ++i) out += (i ? ",\n" : "") + steps[i];
  return out + "]}";
}

const std::string kOpenDetails = Step("P", R"("action": "click", "tag": 5)");
const std::string kEnteredName = Step("U", R"("action": "select", "tag": 22, "index": 1)");
const std::string kDetailsOK = Step("U", R"("action": "click", "tag": 10)");
const std::string kPerJob = Step("U", R"("action": "click", "tag": 30)");

TEST(DetailsWindow, StoredUserDetailsReachTheTicketAndTheSummary) {
  AccountHost h;
  const auto report = h.Play(Scenario({kOpenDetails, kEnteredName,
                                       Step("U", R"("action": "enter", "tag": 26, "text": "bob")"),
                                       Step("U", R"("action": "enter", "tag": 29, "text": "pa¥s")"),
                                       Step("U", R"("action": "enter", "tag": 32, "text": "   ")"),
                                       Step("U", R"("action": "enter", "tag": 24, "text": "corp")"), kDetailsOK,
                                       Plain(R"("action": "print")")}));
  ASSERT_EQ(report.outcome, DialogOutcome::kPrinted) << Failures(report);
  EXPECT_TRUE(report.alerts.empty());
  EXPECT_EQ(Option(report, Key("JBAUserIDListCtrlTicket")), "2");
  EXPECT_EQ(Option(report, Key("JBAUserIDTextEditTicket")), "bob");
  EXPECT_EQ(Option(report, Key("JBADomainNameTextEditTicket")), "corp");
  EXPECT_EQ(Option(report, Key("JBAUserSettingRadioBtnTicket")), "1");
  EXPECT_EQ(Option(report, Key("JBAUserInputRadioBtnTicket")), "0");
  EXPECT_EQ(Option(report, Key("JBALoginTextEditTicket")), "alice");
  const std::string password = Option(report, Key("JBAUserPasswordTextEditTicket"));
  EXPECT_NE(password, "<absent>");
  EXPECT_EQ(password.find("pa"), std::string::npos) << "the password is written enciphered";
  // The administrator window's keys are written too, with their defaults.
  EXPECT_EQ(Option(report, Key("JBAAdminUserSettingRadioBtnTicket")), "1");
  EXPECT_EQ(Option(report, Key("JBALastInfoCheckboxTicket")), "1");

  const auto& summary = report.panels.at(0).summary.values;
  EXPECT_EQ(summary.at("User ID"), "bob");
  EXPECT_EQ(summary.at("Password"), "\xEF\xBD\xA5\xEF\xBD\xA5\xEF\xBD\xA5\xEF\xBD\xA5");
  EXPECT_EQ(summary.at("Domain Name"), "corp");
  EXPECT_EQ(summary.at("Detailed User Settings"), "Use these details");
}

TEST(DetailsWindow, LoginNameIsTheSummarisedUserIDByDefault) {
  AccountHost h;
  const auto report = h.Play(Scenario({Plain(R"("action": "print")")}));
  ASSERT_EQ(report.outcome, DialogOutcome::kPrinted) << Failures(report);
  EXPECT_EQ(report.panels.at(0).summary.values.at("User ID"), "alice");
  EXPECT_EQ(report.panels.at(0).summary.values.count("Password"), 1u);
}

struct FieldCase {
  const char* name;
  int tag;
  const char* text;
  const char* message;  // null: accepted
};

class FieldRules : public ::testing::TestWithParam<FieldCase> {};

TEST_P(FieldRules, OKShowsTheFieldsMessageOrCloses) {
  const auto& c = GetParam();
  std::vector<std::string> steps{kOpenDetails, kEnteredName,
                                 Step("U", R"("action": "enter", "tag": 26, "text": "bob")")};
  steps.push_back(Step("U", std::string(R"("action": "enter", "tag": )") + std::to_string(c.tag) +
                                R"(, "text": ")" + c.text + "\""));
  steps.push_back(kDetailsOK);
  if (c.message) {
    steps.push_back(Plain(std::string(R"("action": "answerAlert", "textKey": ")") + c.message + "\""));
    steps.push_back(Step("U", R"("action": "click", "tag": 11)"));
  }
  AccountHost h;
  const auto report = h.Play(Scenario(steps));
  ASSERT_EQ(report.outcome, DialogOutcome::kPrinted) << c.name << Failures(report);
  if (c.message) {
    ASSERT_EQ(report.alerts.size(), 1u) << c.name;
    EXPECT_EQ(report.alerts[0].alert.text_key, c.message) << c.name;
  } else {
    EXPECT_TRUE(report.alerts.empty()) << c.name;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FieldRules,
    ::testing::Values(FieldCase{"empty user ID", 26, "", "Warning32"},
                      FieldCase{"spaces-only user ID", 26, "   ", "Warning32"},
                      FieldCase{"three-character password", 29, "abc", "Warning33"},
                      FieldCase{"password with yen sign", 29, "ab¥d", nullptr},
                      FieldCase{"spaces-only account ID", 32, "   ", nullptr},
                      FieldCase{"empty account ID", 32, "", nullptr},
                      FieldCase{"empty domain", 24, "", nullptr},
                      FieldCase{"spaces-only domain", 24, "  ", "Warning35"}),
    [](const auto& info) {
      std::string n = info.param.name;
      for (auto& ch : n)
        if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
      return n;
    });

TEST(DetailsWindow, AccentedLettersAreRefusedWhileTyping) {
  AccountHost h;
  const auto report = h.Play(Scenario({kOpenDetails, Step("U", R"("action": "type", "tag": 29, "text": "abé")"),
                                       Step("U", R"("action": "expect", "tag": 29, "text": "ab")"),
                                       Step("U", R"("action": "click", "tag": 11)")}));
  EXPECT_EQ(report.outcome, DialogOutcome::kPrinted) << Failures(report);
}

TEST(DetailsWindow, RadioKeepsItsStateWhenAFieldOfItsListFails) {
  AccountHost h;
  const auto report = h.Play(Scenario({kOpenDetails, kEnteredName,
                                       Step("U", R"("action": "enter", "tag": 29, "text": "ab")"), kPerJob,
                                       Plain(R"("action": "answerAlert", "textKey": "Warning32")"),
                                       Step("U", R"("action": "expect", "tag": 30, "value": 0)"),
                                       Step("U", R"("action": "expect", "tag": 20, "value": 1)"),
                                       Step("U", R"("action": "click", "tag": 11)")}));
  EXPECT_EQ(report.outcome, DialogOutcome::kPrinted) << Failures(report);
}

// ---- Per-job prompt ----

std::vector<std::string> PerJobSetUp() { return {kOpenDetails, kPerJob, kDetailsOK}; }

TEST(PerJob, OKPrintsWithTheEnteredDetails) {
  AccountHost h;
  auto steps = PerJobSetUp();
  steps.push_back(Plain(R"("action": "print")"));
  steps.push_back(Step("I", R"("action": "expect", "tag": 45, "hidden": true)"));
  steps.push_back(Step("I", R"("action": "enter", "tag": 46, "text": "carol")"));
  steps.push_back(Step("I", R"("action": "enter", "tag": 48, "text": "9876")"));
  steps.push_back(Step("I", R"("action": "enter", "tag": 51, "text": "A-1")"));
  steps.push_back(Step("I", R"("action": "click", "tag": 10)"));
  const auto report = h.Play(Scenario(steps));
  ASSERT_EQ(report.outcome, DialogOutcome::kPrinted) << Failures(report);
  EXPECT_EQ(Option(report, Key("JBAUserInputRadioBtnTicket")), "1");
  EXPECT_EQ(Option(report, Key("JBAInputUserIDTextEditTicket")), "carol");
  EXPECT_EQ(Option(report, Key("JBAInputAccountIDTextEditTicket")), "A-1");
  EXPECT_EQ(Option(report, Key("JBAInputAuthRadioBtnTicketKey")), "1");
  const std::string password = Option(report, Key("JBAInputUserPasswordTextEditTicket"));
  EXPECT_EQ(password.find("9876"), std::string::npos);
  EXPECT_NE(password, "<absent>");
  // With the fields entered with each job, the details lines leave the summary.
  EXPECT_EQ(report.panels.at(0).summary.values.count("User ID"), 0u);
}

TEST(PerJob, EmptyUserIDIsRefusedThenCancelCancelsTheJob) {
  AccountHost h;
  auto steps = PerJobSetUp();
  steps.push_back(Plain(R"("action": "print")"));
  steps.push_back(Step("I", R"("action": "click", "tag": 10)"));
  steps.push_back(Plain(R"("action": "answerAlert", "textKey": "Warning32")"));
  steps.push_back(Step("I", R"("action": "click", "tag": 11)"));
  const auto report = h.Play(Scenario(steps));
  EXPECT_EQ(report.outcome, DialogOutcome::kCancelled) << Failures(report);
  EXPECT_TRUE(report.failures.empty()) << Failures(report);
}

TEST(PerJob, PrintingToAFileNeverPrompts) {
  AccountHost h;
  auto steps = PerJobSetUp();
  steps.push_back(Plain(R"("action": "print")"));
  const auto report = h.Play(Scenario(steps, R"("destination": "file", )"));
  EXPECT_EQ(report.outcome, DialogOutcome::kPrinted) << Failures(report);
}

TEST(PerJob, LastInputMemoryOnAndOff) {
  for (const bool remember : {true, false}) {
    auto prefs = std::make_shared<nx::platform::MemoryPreferences>();
    {
      AccountHost h(User{}, prefs);
      auto steps = std::vector<std::string>{kOpenDetails, kPerJob};
      if (!remember) steps.push_back(Step("U", R"("action": "setState", "tag": 33, "state": 0)"));
      steps.push_back(kDetailsOK);
      steps.push_back(Plain(R"("action": "print")"));
      steps.push_back(Step("I", R"("action": "enter", "tag": 46, "text": "carol")"));
      steps.push_back(Step("I", R"("action": "click", "tag": 10)"));
      const auto report = h.Play(Scenario(steps));
      ASSERT_EQ(report.outcome, DialogOutcome::kPrinted) << Failures(report);
    }
    AccountHost next(User{}, prefs);
    const std::string expected = remember ? "carol" : "";
    const auto report = next.Play(Scenario({Plain(R"("action": "print")"),
                                            Step("I", R"("action": "expect", "tag": 46, "text": ")" + expected + "\""),
                                            Step("I", R"("action": "click", "tag": 11)")}));
    EXPECT_EQ(report.outcome, DialogOutcome::kCancelled) << remember << Failures(report);
    EXPECT_TRUE(report.failures.empty()) << remember << Failures(report);
  }
}

// Entries remembered earlier do not come back once the memory is switched off.
TEST(PerJob, SwitchingTheMemoryOffForgetsTheRememberedEntries) {
  auto prefs = std::make_shared<nx::platform::MemoryPreferences>();
  const std::string enterCarol = Step("I", R"("action": "enter", "tag": 46, "text": "carol")");
  {
    AccountHost h(User{}, prefs);
    const auto report = h.Play(Scenario({kOpenDetails, kPerJob, kDetailsOK, Plain(R"("action": "print")"),
                                         enterCarol, Step("I", R"("action": "click", "tag": 10)")}));
    ASSERT_EQ(report.outcome, DialogOutcome::kPrinted) << Failures(report);
  }
  {
    AccountHost h(User{}, prefs);
    const auto report = h.Play(Scenario({kOpenDetails, Step("U", R"("action": "setState", "tag": 33, "state": 0)"),
                                         kDetailsOK, Plain(R"("action": "print")"),
                                         Step("I", R"("action": "expect", "tag": 46, "text": "")"),
                                         Step("I", R"("action": "enter", "tag": 46, "text": "dave")"),
                                         Step("I", R"("action": "click", "tag": 10)")}));
    ASSERT_EQ(report.outcome, DialogOutcome::kPrinted) << Failures(report);
    EXPECT_EQ(Option(report, Key("JBAInputUserIDTextEditTicket")), "dave");
  }
  // Switched on again: nothing of before is offered.
  AccountHost h(User{}, prefs);
  const auto report = h.Play(Scenario({kOpenDetails, Step("U", R"("action": "setState", "tag": 33, "state": 1)"),
                                       kDetailsOK, Plain(R"("action": "print")"),
                                       Step("I", R"("action": "expect", "tag": 46, "text": "")"),
                                       Step("I", R"("action": "click", "tag": 11)")}));
  EXPECT_EQ(report.outcome, DialogOutcome::kCancelled) << Failures(report);
  EXPECT_TRUE(report.failures.empty()) << Failures(report);
}

// ---- Administrator mode ----

// Both details windows summarise under the same titles; only the window of the current account
// mode has lines, whichever window was set up last.
TEST(AdminMode, SummaryLinesComeFromTheCurrentModesWindowOnly) {
  auto summaryOf = [](const std::vector<std::string>& steps) {
    AccountHost h(User{"root", true, kOldSystem});
    auto all = steps;
    all.push_back(Plain(R"("action": "print")"));
    const auto report = h.Play(Scenario(all, R"("destination": "file", )"));
    EXPECT_EQ(report.outcome, DialogOutcome::kPrinted) << Failures(report);
    return report.panels.at(0).summary;
  };
  // The account mode's own line aside.
  auto withoutMode = [](pdekit::SummaryInfo s) {
    if (!s.displayOrder.empty()) {
      s.values.erase(s.displayOrder.front());
      s.displayOrder.erase(s.displayOrder.begin());
    }
    return s;
  };
  const std::string adminMode = Step("P", R"("action": "select", "tag": 2, "index": 0)");
  const std::string userMode = Step("P", R"("action": "select", "tag": 2, "index": 1)");
  const std::string adminPerJob = Step("A", R"("action": "click", "tag": 30)");
  const std::string adminOK = Step("A", R"("action": "click", "tag": 10)");

  const auto userDefault = summaryOf({});
  const auto userPerJob = summaryOf({kOpenDetails, kPerJob, kDetailsOK});
  const auto adminWithPerJob = summaryOf({adminMode, kOpenDetails, adminPerJob, adminOK});
  const auto backToUser = summaryOf({adminMode, kOpenDetails, adminPerJob, adminOK, userMode});

  ASSERT_FALSE(userPerJob.displayOrder.empty());
  EXPECT_NE(userPerJob.values, userDefault.values);
  EXPECT_EQ(withoutMode(adminWithPerJob).values, withoutMode(userPerJob).values);
  EXPECT_EQ(withoutMode(adminWithPerJob).displayOrder, withoutMode(userPerJob).displayOrder);
  EXPECT_EQ(backToUser.values, userDefault.values);
  EXPECT_EQ(backToUser.displayOrder, userDefault.displayOrder);
}

TEST(AdminMode, NonAdministratorSeesTheStoredAdministratorDetailsDisabled) {
  auto prefs = std::make_shared<nx::platform::MemoryPreferences>();
  {
    AccountHost admin(User{"root", true, kOldSystem}, prefs);
    const auto report = admin.Play(Scenario(
        {Step("P", R"("action": "select", "tag": 2, "index": 0)"), kOpenDetails,
         Step("A", R"("action": "select", "tag": 22, "index": 1)"),
         Step("A", R"("action": "enter", "tag": 26, "text": "dept7")"), Step("A", R"("action": "click", "tag": 10)"),
         Plain(R"("action": "print")")}));
    ASSERT_EQ(report.outcome, DialogOutcome::kPrinted) << Failures(report);
    EXPECT_EQ(Option(report, Key("JBAAdminUserIDTextEditTicket")), "dept7");
    EXPECT_EQ(Option(report, Key("JBAManageTypeListTicketKey")), "1");
  }
  AccountHost user(User{"bob", false, kOldSystem}, prefs);
  const auto report = user.Play(Scenario({kOpenDetails,
                                          Step("A", R"("action": "expect", "tag": 26, "text": "dept7", "enabled": false)"),
                                          Step("A", R"("action": "expect", "tag": 12, "enabled": false)"),
                                          Step("A", R"("action": "expect", "tag": 30, "enabled": false)"),
                                          Step("A", R"("action": "click", "tag": 10)"), Plain(R"("action": "print")")}));
  ASSERT_EQ(report.outcome, DialogOutcome::kPrinted) << Failures(report);
  EXPECT_EQ(Option(report, Key("JBAAdminUserIDTextEditTicket")), "dept7");
}

}  // namespace
