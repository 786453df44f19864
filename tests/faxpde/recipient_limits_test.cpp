// Add To's limits and the recipient window's warnings through the dialog host: 600 real
// recipients, the list maximum, one recipient per job, re-entry, names, OK and Cancel.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>

#include "recipient_steps.h"

namespace {

using namespace faxpde::testing;
using pdehost::DialogOutcome;

constexpr const char* kExceeding = "Warning_Add_Recipient_Exceeding_Maximum_Num_Content_Title_ID";

std::vector<std::string> AlertTexts(const pdehost::DialogReport& r) {
  std::vector<std::string> keys;
  for (const auto& a : r.alerts) keys.push_back(a.alert.text_key);
  return keys;
}

// Speed dials that stand for 590 destinations (five of 100, nine of 10) and one typed number.
std::vector<std::vector<std::string>> List591() {
  std::vector<std::vector<std::string>> steps{{Print()}};
  for (const char* sd : {"1**", "2**", "3**", "4**", "6**", "70*", "71*", "72*", "73*", "74*", "75*", "76*", "77*",
                         "78*"})
    steps.push_back(SpeedDialRecipient("", sd));
  steps.push_back({SelectItem(11, 0)});
  steps.push_back(TypedRecipient("", "0312345678"));
  return steps;
}

TEST(RecipientLimits, SixHundredRealRecipientsCountSpeedDialRanges) {
  FaxHost h({}, PreferencesWith({"2"}));
  auto steps = List591();
  // "1*" names ten: 601 is one too many; "*" names nine and fills the job to 600.
  steps.push_back(SpeedDialRecipient("", "1*"));
  steps.push_back({Answer(0, kExceeding)});
  steps.push_back(SpeedDialRecipient("", "*"));
  steps.push_back(Confirm());
  const auto report = h.Play(Scenario(steps));
  ASSERT_EQ(report.outcome, DialogOutcome::kPrinted) << Failures(report);
  ASSERT_EQ(report.alerts.size(), 1u);
  EXPECT_EQ(report.alerts[0].alert.arguments, (std::vector<std::string>{"600", "1"}));
  EXPECT_EQ(Option(report, Key("DFRecipientListCountTicket")), "16");
}

TEST(RecipientLimits, EditedRecipientKeepsTheJobLimits) {
  // Fax module 4: the typed number changed into "5**" (a hundred speed dials) in the information
  // window would bring 591 to 690; refused, the window stays, and the list keeps the typed number.
  FaxHost h({}, PreferencesWith({"4"}));
  auto steps = List591();
  steps.push_back({In(kRecipientWindow, R"("action": "selectRows", "tag": 4, "rows": [14])"), Click(15),
                   SelectItem(4, 1, kInfoWindow), Enter(10, "5**", kInfoWindow), Click(18, kInfoWindow),
                   Answer(0, kExceeding), Click(17, kInfoWindow)});
  steps.push_back(Confirm());
  const auto report = h.Play(Scenario(steps));
  ASSERT_EQ(report.outcome, DialogOutcome::kPrinted) << Failures(report);
  ASSERT_EQ(report.alerts.size(), 1u);
  EXPECT_EQ(report.alerts[0].alert.arguments, (std::vector<std::string>{"600", "90"}));
  EXPECT_EQ(Option(report, Key("DFRecipientListItemKeyTicket14")), "FAEN=0312345678{20}{30}{}comment");
}

TEST(RecipientLimits, FaxModuleOneListHoldsFiftyRecords) {
  FaxHost h({}, PreferencesWith({"1", "1"}));
  std::vector<std::vector<std::string>> steps{{Print()}};
  for (int i = 0; i < 51; ++i) steps.push_back(TypedRecipient("", "03" + std::to_string(1000 + i)));
  steps.push_back({Answer(0, kExceeding)});
  steps.push_back(Confirm());
  const auto report = h.Play(Scenario(steps));
  ASSERT_EQ(report.outcome, DialogOutcome::kPrinted) << Failures(report);
  ASSERT_EQ(report.alerts.size(), 1u);
  EXPECT_EQ(report.alerts[0].alert.arguments, (std::vector<std::string>{"50", "1"}));
  EXPECT_EQ(Option(report, Key("DFRecipientListCountTicket")), "50");
}

TEST(RecipientLimits, OneRecipientPerJob) {
  PPDVariant ppd(Lines{{"*DefaultNXResMulAd:", "*DefaultNXResMulAd: On"}});
  FaxHost h({}, PreferencesWith({"2"}));
  const auto report = h.Play(
      Scenario({{Print()},
                // A speed dial naming ten is refused even on an empty list.
                SpeedDialRecipient("", "1*"),
                {Answer(0, "Waring_Restriction_Of_Faxing_Muti_Address_Transmission_SpeedDial_ID")},
                {SelectItem(11, 0)},
                TypedRecipient("A", "0311"),
                TypedRecipient("B", "0322"),
                {Answer(0, "Waring_Restriction_Of_Faxing_Muti_Address_Transmission_OneRecipient_ID")},
                // Nor can the one recipient become a speed dial range in the information window.
                {In(kRecipientWindow, R"("action": "selectRows", "tag": 4, "rows": [0])"), Click(15),
                 SelectItem(4, 1, kInfoWindow), Enter(10, "1*", kInfoWindow), Click(18, kInfoWindow),
                 Answer(0, "Waring_Restriction_Of_Faxing_Muti_Address_Transmission_SpeedDial_ID"),
                 Click(17, kInfoWindow)},
                Confirm()}),
      h.Setup(ppd.Path()));
  ASSERT_EQ(report.outcome, DialogOutcome::kPrinted) << Failures(report);
  EXPECT_EQ(report.alerts.size(), 3u);
  EXPECT_EQ(Option(report, Key("DFRecipientListCountTicket")), "1");
  EXPECT_EQ(Option(report, Key("DFRecipientListItemKeyTicket0")), "FAEN=0311{20}{30}{7QQ==}{}comment");
}

TEST(RecipientLimits, ReEntryMustMatchBeforeTheRecipientIsAdded) {
  PPDVariant ppd(Lines{{"*DefaultNXReEnter:", "*DefaultNXReEnter: On"}});
  FaxHost h;
  const auto report = h.Play(
      Scenario({{Print()},
                TypedRecipient("", "0312345678"),
                // A different number: warned, the field emptied, the window stays.
                {Enter(4, "0312345679", kConfirmWindow), Click(7, kConfirmWindow), Answer(0, "Waring_Reenter_ID"),
                 In(kConfirmWindow, R"("action": "expect", "tag": 4, "text": "")"),
                 // Cancelled: nothing is added.
                 Click(8, kConfirmWindow)},
                {In(kRecipientWindow, R"("action": "expect", "tag": 4, "itemCount": 0)")},
                TypedRecipient("", "0312345678"),
                {Enter(4, "0312345678", kConfirmWindow), Click(7, kConfirmWindow)},
                {In(kRecipientWindow, R"("action": "expect", "tag": 4, "itemCount": 1)")},
                Confirm()}),
      h.Setup(ppd.Path()));
  ASSERT_EQ(report.outcome, DialogOutcome::kPrinted) << Failures(report);
  EXPECT_EQ(AlertTexts(report), std::vector<std::string>{"Waring_Reenter_ID"});
  EXPECT_EQ(Option(report, Key("DFRecipientListCountTicket")), "1");
  EXPECT_EQ(Option(report, Key("DFRecipientListItemKeyTicket0")), "FAEN=0312345678{20}{30}{}comment");
}

struct FieldCase {
  const char* name;
  const char* recipientName;
  const char* number;
  const char* warning;  // null: added
};

class RecipientFields : public ::testing::TestWithParam<FieldCase> {};

TEST_P(RecipientFields, CheckedWhenAdded) {
  const FieldCase& c = GetParam();
  FaxHost h;
  std::vector<std::vector<std::string>> steps{{Print()}, TypedRecipient(c.recipientName, c.number)};
  if (c.warning) steps.push_back({Answer(0, c.warning)});
  steps.push_back({In(kRecipientWindow, std::string(R"("action": "expect", "tag": 4, "itemCount": )") +
                                            (c.warning ? "0" : "1"))});
  steps.push_back({Click(20)});
  const auto report = h.Play(Scenario(steps));
  EXPECT_EQ(report.outcome, DialogOutcome::kCancelled);
  EXPECT_TRUE(report.failures.empty()) << Failures(report);
  EXPECT_EQ(AlertTexts(report).size(), c.warning ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Recipient, RecipientFields,
    ::testing::Values(
        FieldCase{"IdeographicSpaceName", "\u3000\u3000\u3000", "0311",
                  "Warning_Add_All_Space_Recipient_to_List_Win_Content_ID"},
        FieldCase{"EmptyName", "", "0311", nullptr},
        FieldCase{"KanjiName", "\u65e5\u672c", "0311", nullptr},
        FieldCase{"EmptyNumber", "A", "", "Warning_Add_Recipient_to_List_Win_Content_ID"},
        FieldCase{"SpacesNumber", "A", "   ", "Warning_Add_All_Space_Recipient_to_List_Win_Content_ID"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RecipientWindowButtons, OkWithoutRecipientsWarnsAndCancelCancelsTheJob) {
  FaxHost h;
  const auto report = h.Play(Scenario({{Print(), Click(19), Answer(0, "Warning_Fax_Job_Win_Content_ID"), Click(20)}}));
  EXPECT_EQ(report.outcome, DialogOutcome::kCancelled);
  EXPECT_TRUE(report.failures.empty()) << Failures(report);
  ASSERT_EQ(report.alerts.size(), 1u);
  EXPECT_EQ(report.alerts[0].alert.title_key, "Warning_Fax_Job_Win_Title_ID");
  EXPECT_EQ(Option(report, Key("DFRecipientListCountTicket")), "<absent>");
}

TEST(RecipientWindowButtons, DeleteRemovesTheSelectedRecipientsAfterAsking) {
  FaxHost h;
  const auto report = h.Play(Scenario(
      {{Print()},
       TypedRecipient("A", "0311"),
       TypedRecipient("B", "0322"),
       TypedRecipient("C", "0333"),
       {In(kRecipientWindow, R"("action": "selectRows", "tag": 4, "rows": [0, 2])"), Click(17),
        Answer(1, "Warning_Delete_Recipients_Win_Content_ID"),
        In(kRecipientWindow, R"("action": "expect", "tag": 4, "itemCount": 3)"), Click(17),
        Answer(0, "Warning_Delete_Recipients_Win_Content_ID")},
       Confirm()}));
  ASSERT_EQ(report.outcome, DialogOutcome::kPrinted) << Failures(report);
  EXPECT_EQ(Option(report, Key("DFRecipientListCountTicket")), "1");
  EXPECT_EQ(Option(report, Key("DFRecipientListItemKeyTicket0")), "FAEN=0322{20}{30}{7Qg==}{}comment");
}

TEST(RecipientWindowButtons, InformationWindowEditsTheRecordAndItsCategory) {
  FaxHost h;
  const auto report = h.Play(Scenario(
      {{Print()},
       TypedRecipient("A", "0311"),
       {In(kRecipientWindow, R"("action": "selectRows", "tag": 4, "rows": [0])"), Click(15),
        In(kInfoWindow, R"("action": "expect", "tag": 8, "text": "0311")"), Enter(2, "Bob", kInfoWindow),
        SelectItem(4, 1, kInfoWindow), Enter(10, "12", kInfoWindow), Click(18, kInfoWindow),
        In(kRecipientWindow, R"("action": "expect", "tag": 16, "enabled": false)")},
       Confirm()}));
  ASSERT_EQ(report.outcome, DialogOutcome::kPrinted) << Failures(report);
  EXPECT_TRUE(report.alerts.empty());
  // Now a speed dial (four-digit numbering with the default fax module 2).
  std::string expected;
  for (unsigned char b : std::string("FAEN='0012'{}comment"))
    expected += "/" + std::to_string(static_cast<int>(static_cast<signed char>(b)));
  EXPECT_EQ(Option(report, Key("DFRecipientListItemKeyTicket0")), expected);
}

TEST(RecipientWindowButtons, RestrictedToSpeedDials) {
  PPDVariant ppd(Lines{{"*DefaultNXResAddress:", "*DefaultNXResAddress: SpeedDial"}});
  FaxHost h;
  const auto report = h.Play(
      Scenario({{Print(), In(kRecipientWindow, R"("action": "expect", "tag": 11, "enabled": false, "value": 1)"),
                 In(kRecipientWindow, R"("action": "expect", "tag": 14, "enabled": false)"),
                 In(kRecipientWindow, R"("action": "expect", "tag": 7, "hidden": true)"), Enter(9, "5"), Click(5)},
                Confirm()}),
      h.Setup(ppd.Path()));
  ASSERT_EQ(report.outcome, DialogOutcome::kPrinted) << Failures(report);
  EXPECT_EQ(Option(report, Key("DFRecipientListCountTicket")), "1");
}

TEST(RecipientWindowButtons, RestrictedToThePhonebook) {
  PPDVariant ppd(Lines{{"*DefaultNXResAddress:", "*DefaultNXResAddress: Phonebook"}});
  FaxHost h;
  const auto report = h.Play(Scenario({{Print()},
                                       {In(kRecipientWindow, R"("action": "expect", "tag": 2, "enabled": false)"),
                                        In(kRecipientWindow, R"("action": "expect", "tag": 5, "enabled": false)"),
                                        In(kRecipientWindow, R"("action": "expect", "tag": 11, "enabled": false)"),
                                        Click(20)}}),
                             h.Setup(ppd.Path()));
  EXPECT_EQ(report.outcome, DialogOutcome::kCancelled);
  EXPECT_TRUE(report.failures.empty()) << Failures(report);
}

TEST(RecipientWindowButtons, PhonebookFieldAndButtonsWithoutThePhonebookWindows) {
  FaxHost h;
  const auto report = h.Play(Scenario(
      {{Print(), In(kRecipientWindow, R"("action": "expect", "tag": 13, "text": "default.fap", "enabled": false)"),
        // Look Up is connected to the phonebook windows; Add To Phonebook waits for a recipient.
        In(kRecipientWindow, R"("action": "expect", "tag": 14, "enabled": true)"),
        In(kRecipientWindow, R"("action": "expect", "tag": 18, "enabled": false)"),
        In(kRecipientWindow, R"("action": "expect", "tag": 17, "enabled": false)"),
        In(kRecipientWindow, R"("action": "expect", "tag": 15, "enabled": false)"), Click(20)}}));
  EXPECT_EQ(report.outcome, DialogOutcome::kCancelled);
  EXPECT_TRUE(report.failures.empty()) << Failures(report);
}

TEST(RecipientWindowButtons, InformationWindowReEntryOnlyForAChangedNumber) {
  PPDVariant ppd(Lines{{"*DefaultNXReEnter:", "*DefaultNXReEnter: On"}});
  FaxHost h;
  const auto report = h.Play(
      Scenario({{Print()},
                TypedRecipient("A", "0311"),
                {Enter(4, "0311", kConfirmWindow), Click(7, kConfirmWindow)},
                // A new name alone: no confirmation.
                {In(kRecipientWindow, R"("action": "selectRows", "tag": 4, "rows": [0])"), Click(15),
                 Enter(2, "B", kInfoWindow), Click(18, kInfoWindow)},
                // A new number: typed again, first wrongly.
                {In(kRecipientWindow, R"("action": "selectRows", "tag": 4, "rows": [0])"), Click(15),
                 Enter(8, "0322", kInfoWindow), Click(18, kInfoWindow), Enter(4, "0323", kConfirmWindow),
                 Click(7, kConfirmWindow), Answer(0, "Waring_Reenter_ID"), Enter(4, "0322", kConfirmWindow),
                 Click(7, kConfirmWindow)},
                Confirm()}),
      h.Setup(ppd.Path()));
  ASSERT_EQ(report.outcome, DialogOutcome::kPrinted) << Failures(report);
  EXPECT_EQ(AlertTexts(report), std::vector<std::string>{"Waring_Reenter_ID"});
  EXPECT_EQ(Option(report, Key("DFRecipientListItemKeyTicket0")), "FAEN=0322{20}{30}{7Qg==}{}comment");
}

// Sets an environment variable for the life of the object.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    ::setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() {
    if (old_) ::setenv(name_, old_->c_str(), 1);
    else ::unsetenv(name_);
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST(RecipientWindowButtons, SandboxedHostWithoutPreferenceFileShowsNoPhonebook) {
  char tmpl[] = "/tmp/faxpde-prefs-XXXXXX";
  ASSERT_TRUE(::mkdtemp(tmpl));
  const std::string dir = tmpl;
  ScopedEnv prefs("NX_USER_PREFS_DIR", dir);
  ScopedEnv app("NX_HOST_BUNDLE_IDENTIFIER", "com.apple.Preview");
  struct Case {
    const char* system;
    bool preferenceFile;
    const char* shown;
  };
  for (const Case& c : {Case{kNewSystem, false, ""}, Case{kNewSystem, true, "default.fap"},
                        Case{kOldSystem, false, "default.fap"}}) {
    const std::string file = dir + "/com.norvalex.nb.q21.pde.DirectFax.plist";
    if (c.preferenceFile) std::ofstream(file) << "<plist version=\"1.0\"><dict/></plist>\n";
    else std::filesystem::remove(file);
    User user;
    user.kernelRelease = c.system;
    FaxHost h(user);
    const auto report = h.Play(Scenario({{Print(),
                                          In(kRecipientWindow, std::string(R"("action": "expect", "tag": 13, "text": ")") +
                                                                   c.shown + "\""),
                                          Click(20)}}));
    EXPECT_TRUE(report.failures.empty()) << c.system << c.preferenceFile << Failures(report);
  }
  std::filesystem::remove_all(dir);
}

TEST(RecipientWindowButtons, CategoryMenuFollowsTheFaxModule) {
  struct Case {
    const char* module;
    const char* enabled;  // items Fax, Speed Dial, IP Fax
    int selected;
  };
  for (const Case& c : {Case{"1", "[true, true, false]", 0}, Case{"3", "[false, true, true]", 2},
                        Case{"4", "[true, true, true]", 0}}) {
    FaxHost h({}, PreferencesWith({c.module}));
    const auto report = h.Play(Scenario({{Print(),
                                          In(kRecipientWindow, std::string(R"("action": "expect", "tag": 11, "itemsEnabled": )") +
                                                                   c.enabled + R"(, "value": )" +
                                                                   std::to_string(c.selected)),
                                          Click(20)}}));
    EXPECT_TRUE(report.failures.empty()) << c.module << Failures(report);
  }
}

}  // namespace
