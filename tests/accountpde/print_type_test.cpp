// The print type panel through the dialog host: the four print types with their fields, the
// hard disk watcher, validation order and messages, list-change rollback, the product type and
// the enciphered password in the ticket, restore defaults and the summary.
#include <gtest/gtest.h>

#include "account_fixture.h"
#include "accountpde/JBAPanel.h"
#include "accountpde/PrintTypePanel.h"
#include "nx/platform/bundle.h"
#include "pdehost/ScenarioToolkit.h"

namespace {

using namespace accountpde::testing;
using pdehost::DialogOutcome;

std::string PT(const std::string& body) {
  return R"({"panel": "com.norvalex.nb.qm08.pde.PrintTypeKind", )" + body + "}";
}
std::string Plain(const std::string& body) { return "{" + body + "}"; }
std::string Scenario(const std::vector<std::string>& steps, const std::string& extra = "") {
  std::string out = "{" + extra + R"("steps": [)";
  for (size_t i = 0; i < steps.size(); ++i) out += (i ? ",\n" : "") + steps[i];
  return out + "]}";
}
const pdehost::PanelReport* Panel(const pdehost::DialogReport& r) {
  for (const auto& p : r.panels)
    if (p.kind == "com.norvalex.nb.qm08.pde.PrintTypeKind") return &p;
  return nullptr;
}

TEST(PrintType, VariantTable) {
  ASSERT_EQ(accountpde::getPTProductInfoCont(), 5);
  EXPECT_STREQ(accountpde::getPTProductInfoPtr()[4].layout, "PrintType_Pellan00");
  EXPECT_EQ(accountpde::PrintTypeForVariant("Default03"), 3);
  EXPECT_EQ(accountpde::PrintTypeForVariant("Printer01"), 0);
}

TEST(PrintType, NoneDisablesEveryFieldAndWritesOnlyTheType) {
  AccountHost h;
  const auto report = h.Play(Scenario({PT(R"("action": "expect", "tag": 102, "value": 0, "enabled": true)"),
                                       PT(R"("action": "expect", "tag": 103, "enabled": false)"),
                                       PT(R"("action": "expect", "tag": 104, "enabled": false)"),
                                       PT(R"("action": "expect", "tag": 106, "enabled": false)"),
                                       PT(R"("action": "expect", "tag": 107, "enabled": false)"),
                                       Plain(R"("action": "print")")}));
  ASSERT_EQ(report.outcome, DialogOutcome::kPrinted) << Failures(report);
  EXPECT_EQ(Option(report, Key("PrintTypeTicketKey")), "1");
  EXPECT_EQ(Option(report, Key("PrintTypeProductTypeTicketKey")), "1");
  EXPECT_EQ(Option(report, Key("PrintTypeUserNameTicketKey")), "");
  EXPECT_EQ(Option(report, Key("DocumentNameTypeTicketKey")), "1");
  const auto* panel = Panel(report);
  ASSERT_NE(panel, nullptr);
  EXPECT_EQ(panel->name, "Print Type");
  EXPECT_EQ(panel->summary.values.at("Print Type"), "Normal Print");
  EXPECT_EQ(panel->summary.values.count("User ID"), 0u) << "disabled fields leave the summary";
}

TEST(PrintType, SecurePrintWithUserIDAndPIN) {
  AccountHost h;
  const auto report = h.Play(Scenario({PT(R"("action": "select", "tag": 102, "index": 1)"),
                                       PT(R"("action": "enter", "tag": 103, "text": "alice")"),
                                       PT(R"("action": "enter", "tag": 104, "text": "1234")"),
                                       PT(R"("action": "select", "tag": 105, "index": 1)"),
                                       PT(R"("action": "enter", "tag": 106, "text": "Q3 report")"),
                                       Plain(R"("action": "print")")}));
  ASSERT_EQ(report.outcome, DialogOutcome::kPrinted) << Failures(report);
  EXPECT_EQ(Option(report, Key("PrintTypeTicketKey")), "2");
  EXPECT_EQ(Option(report, Key("PrintTypeUserNameTicketKey")), "alice");
  EXPECT_EQ(Option(report, Key("DocumentNameTypeTicketKey")), "2");
  EXPECT_EQ(Option(report, Key("DocumentNameTicketKey")), "Q3 report");
  const std::string pin = Option(report, Key("PrintTypePasswordTicketKey"));
  EXPECT_NE(pin, "<absent>");
  EXPECT_EQ(pin.find("1234"), std::string::npos) << "the PIN is written enciphered";
  const auto* panel = Panel(report);
  ASSERT_NE(panel, nullptr);
  EXPECT_EQ(panel->summary.values.at("Password"), "\xEF\xBD\xA5\xEF\xBD\xA5\xEF\xBD\xA5\xEF\xBD\xA5");
  EXPECT_EQ(panel->summary.values.at("User ID"), "alice");
  EXPECT_EQ(panel->summary.values.at("Print Type"), "Secure Print");
}

TEST(PrintType, SampleAndDelayedPrint) {
  {
    AccountHost h;
    const auto report = h.Play(Scenario({PT(R"("action": "select", "tag": 102, "index": 2)"),
                                         PT(R"("action": "expect", "tag": 104, "enabled": false)"),
                                         PT(R"("action": "enter", "tag": 103, "text": "bob")"),
                                         Plain(R"("action": "print")")}));
    ASSERT_EQ(report.outcome, DialogOutcome::kPrinted) << Failures(report);
    EXPECT_EQ(Option(report, Key("PrintTypeTicketKey")), "3");
    EXPECT_EQ(Option(report, Key("PrintTypeUserNameTicketKey")), "bob");
  }
  AccountHost h;
  const auto report = h.Play(Scenario({PT(R"("action": "select", "tag": 102, "index": 3)"),
                                       PT(R"("action": "expect", "tag": 103, "enabled": false)"),
                                       PT(R"("action": "setDate", "tag": 107, "time": "21:45")"),
                                       Plain(R"("action": "print")")}));
  ASSERT_EQ(report.outcome, DialogOutcome::kPrinted) << Failures(report);
  EXPECT_EQ(Option(report, Key("PrintTypeTicketKey")), "4");
  EXPECT_NE(Option(report, Key("DelayPrintTicketKey")).find("21:45"), std::string::npos);
}

struct MessageCase {
  const char* name;
  std::vector<std::string> steps;
  const char* message;
};

class PrintTypeMessages : public ::testing::TestWithParam<MessageCase> {};

TEST_P(PrintTypeMessages, PrintStopsWithTheFieldsMessage) {
  const auto& c = GetParam();
  auto steps = c.steps;
  steps.push_back(Plain(R"("action": "print")"));
  steps.push_back(Plain(std::string(R"("action": "answerAlert", "textKey": ")") + c.message + "\""));
  AccountHost h;
  const auto report = h.Play(Scenario(steps));
  EXPECT_EQ(report.outcome, DialogOutcome::kCancelled) << c.name << Failures(report);
  ASSERT_EQ(report.alerts.size(), 1u) << c.name;
  EXPECT_EQ(report.alerts[0].alert.text_key, c.message) << c.name;
}

const std::string kSecure = PT(R"("action": "select", "tag": 102, "index": 1)");

INSTANTIATE_TEST_SUITE_P(
    Cases, PrintTypeMessages,
    ::testing::Values(MessageCase{"empty_user_ID", {kSecure}, "Message42"},
                      MessageCase{"spaces_only_user_ID",
                                  {kSecure, PT(R"("action": "enter", "tag": 103, "text": "   ")")},
                                  "Message43"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PrintType, LettersInThePINAreRefusedWhileTypingAndABlankDocumentNamePasses) {
  AccountHost h;
  const auto report = h.Play(Scenario({kSecure, PT(R"("action": "enter", "tag": 103, "text": "alice")"),
                                       PT(R"("action": "type", "tag": 104, "text": "12a")"),
                                       PT(R"("action": "expect", "tag": 104, "text": "12")"),
                                       PT(R"("action": "select", "tag": 105, "index": 1)"),
                                       PT(R"("action": "enter", "tag": 106, "text": "  ")"),
                                       Plain(R"("action": "print")")}));
  ASSERT_EQ(report.outcome, DialogOutcome::kPrinted) << Failures(report);
  EXPECT_TRUE(report.alerts.empty());
  EXPECT_EQ(Option(report, Key("DocumentNameTicketKey")), "  ");
}

TEST(PrintType, UserIDOf25CharactersIsRefusedWhileTyping) {
  AccountHost h;
  const std::string typed(25, 'u');
  const auto report = h.Play(Scenario({kSecure, PT(R"("action": "type", "tag": 103, "text": ")" + typed + "\""),
                                       PT(R"("action": "expect", "tag": 103, "text": ")" + typed.substr(0, 24) + "\""),
                                       PT(R"("action": "enter", "tag": 104, "text": "1")"),
                                       Plain(R"("action": "print")")}));
  ASSERT_EQ(report.outcome, DialogOutcome::kPrinted) << Failures(report);
  EXPECT_EQ(Option(report, Key("PrintTypeUserNameTicketKey")), typed.substr(0, 24));
}

TEST(PrintType, SwitchingWithAnInvalidUserIDReturnsToSecure) {
  AccountHost h;
  const auto report = h.Play(Scenario({kSecure, PT(R"("action": "enter", "tag": 103, "text": "  ")"),
                                       PT(R"("action": "select", "tag": 102, "index": 2)"),
                                       Plain(R"("action": "answerAlert", "textKey": "Message43")"),
                                       PT(R"("action": "expect", "tag": 102, "value": 1)"),
                                       PT(R"("action": "enter", "tag": 103, "text": "carol")"),
                                       PT(R"("action": "select", "tag": 102, "index": 2)"),
                                       Plain(R"("action": "print")")}));
  ASSERT_EQ(report.outcome, DialogOutcome::kPrinted) << Failures(report);
  EXPECT_EQ(Option(report, Key("PrintTypeTicketKey")), "3");
}

TEST(PrintType, NoHardDiskDisablesTheHeldJobControls) {
  PPDVariant ppd(Lines{{"*DefaultNXHardDisk:", "*DefaultNXHardDisk: False"}});
  AccountHost h;
  const auto report = h.Play(Scenario({PT(R"("action": "expect", "tag": 102, "enabled": false, "value": 0)"),
                                       PT(R"("action": "expect", "tag": 112, "enabled": false)"),
                                       Plain(R"("action": "print")")}),
                             h.Setup(ppd.Path()));
  ASSERT_EQ(report.outcome, DialogOutcome::kPrinted) << Failures(report);
  EXPECT_EQ(Option(report, Key("PrintTypeTicketKey")), "1");
}

TEST(PrintType, StoredSecureTypeFallsBackToNormalWithoutAHardDisk) {
  auto prefs = std::make_shared<nx::platform::MemoryPreferences>();
  {
    AccountHost h(User{}, prefs);
    const auto report = h.Play(Scenario({kSecure, PT(R"("action": "enter", "tag": 103, "text": "alice")"),
                                         Plain(R"("action": "print")")}));
    ASSERT_EQ(report.outcome, DialogOutcome::kPrinted) << Failures(report);
  }
  PPDVariant ppd(Lines{{"*DefaultNXHardDisk:", "*DefaultNXHardDisk: False"}});
  AccountHost h(User{}, prefs);
  const auto report = h.Play(Scenario({Plain(R"("action": "print")")}), h.Setup(ppd.Path()));
  ASSERT_EQ(report.outcome, DialogOutcome::kPrinted) << Failures(report);
  EXPECT_EQ(Option(report, Key("PrintTypeTicketKey")), "1");
}

// A stored secure print shown without a hard disk becomes a normal print in every respect: the
// dialog looks, summarises and writes exactly as one that opens on a normal print.
TEST(PrintType, FallBackToNormalTakesNormalsConstraints) {
  PPDVariant ppd(Lines{{"*DefaultNXHardDisk:", "*DefaultNXHardDisk: False"}});
  std::vector<std::string> expectations;
  for (int tag : {103, 104, 105, 106, 107, 113, 114, 115, 116, 117})
    expectations.push_back(PT(R"("action": "expect", "enabled": false, "tag": )" + std::to_string(tag)));
  expectations.push_back(PT(R"("action": "expect", "tag": 102, "value": 0)"));
  expectations.push_back(Plain(R"("action": "print")"));

  AccountHost fresh;
  const auto normal = fresh.Play(Scenario(expectations), fresh.Setup(ppd.Path()));
  ASSERT_EQ(normal.outcome, DialogOutcome::kPrinted) << Failures(normal);

  for (const char* kernel : {kOldSystem, kNewSystem}) {
    SCOPED_TRACE(kernel);
    auto prefs = std::make_shared<nx::platform::MemoryPreferences>();
    pdehost::JobOptionList stored;
    {
      AccountHost h(User{"alice", false, kernel}, prefs);
      const auto report = h.Play(Scenario({kSecure, PT(R"("action": "enter", "tag": 103, "text": "alice")"),
                                           PT(R"("action": "enter", "tag": 104, "text": "4321")"),
                                           PT(R"("action": "select", "tag": 105, "index": 1)"),
                                           PT(R"("action": "enter", "tag": 106, "text": "Q3")"),
                                           Plain(R"("action": "print")")}));
      ASSERT_EQ(report.outcome, DialogOutcome::kPrinted) << Failures(report);
      ASSERT_EQ(Option(report, Key("PrintTypeTicketKey")), "2");
      // From 0x1070 on the stored values travel in the print settings.
      for (const auto& [key, value] : report.jobOptions)
        if (key.size() > 9 && key.compare(key.size() - 9, 9, "Reference") == 0) stored.emplace_back(key, value);
    }
    AccountHost h(User{"alice", false, kernel}, prefs);
    auto setup = h.Setup(ppd.Path());
    setup.options = stored;
    const auto report = h.Play(Scenario(expectations), setup);
    ASSERT_EQ(report.outcome, DialogOutcome::kPrinted) << Failures(report);
    EXPECT_EQ(Option(report, Key("PrintTypeTicketKey")), "1");
    const auto* got = Panel(report);
    const auto* want = Panel(normal);
    ASSERT_NE(got, nullptr);
    ASSERT_NE(want, nullptr);
    EXPECT_EQ(got->summary.values, want->summary.values);
    EXPECT_EQ(got->summary.displayOrder, want->summary.displayOrder);
  }
}

TEST(PrintType, RestoreDefaultsAndHelp) {
  AccountHost h;
  const auto report = h.Play(Scenario({kSecure, PT(R"("action": "enter", "tag": 103, "text": "alice")"),
                                       PT(R"("action": "click", "tag": 108)"),
                                       PT(R"("action": "expect", "tag": 102, "value": 0)"),
                                       PT(R"("action": "expect", "tag": 103, "text": "", "enabled": false)"),
                                       PT(R"("action": "click", "tag": 109)"), Plain(R"("action": "print")")}));
  ASSERT_EQ(report.outcome, DialogOutcome::kPrinted) << Failures(report);
  EXPECT_EQ(Option(report, Key("PrintTypeTicketKey")), "1");
  ASSERT_EQ(h.help->opened.size(), 1u);
  EXPECT_EQ(h.help->opened[0].page, "SelectJobType_Default01.htm");
}

// A status reset (the pane restored again) enables and shows the pane's controls, but hides its
// help button and version label.
TEST(PrintType, StatusResetHidesTheHelpButtonAndVersion) {
  const auto bundle = nx::platform::Bundle::Open(std::string(NX_ACCOUNTPDE_BUNDLES) + "/accountpde.plugin");
  ASSERT_TRUE(bundle);
  pdehost::ScenarioToolkit toolkit;
  const auto view = toolkit.LoadView(*bundle, "PrintType_Default01");
  ASSERT_TRUE(view);
  accountpde::PrintTypeHelpBtn help(view->FindElement(accountpde::kPTHelp), nullptr);
  accountpde::VersionLabel version(view->FindElement(accountpde::kPTVersion), nullptr);
  pdekit::TitledControl title(view->FindElement(accountpde::kPTListTitle), "Print Type List");
  for (pdekit::BaseControl* c : std::initializer_list<pdekit::BaseControl*>{&help, &version, &title}) {
    ASSERT_NE(c->GetControlPtr(), nullptr);
    c->GetControlPtr()->SetEnabled(false);
    c->ResetStatus();
    EXPECT_TRUE(c->GetControlPtr()->IsEnabled());
  }
  EXPECT_TRUE(help.GetControlPtr()->IsHidden());
  EXPECT_TRUE(version.GetControlPtr()->IsHidden());
  EXPECT_FALSE(title.GetControlPtr()->IsHidden());
}

}  // namespace
