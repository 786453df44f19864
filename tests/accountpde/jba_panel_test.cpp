// The accounting panel through the dialog host: which PPDs offer it, the account mode rules for
// administrators and other users, the derived information-setting mode, storing, the ticket
// and the summary.
#include <gtest/gtest.h>

#include <map>
#include <memory>

#include "account_fixture.h"
#include "accountpde/AccountPlugIn.h"
#include "accountpde/JBAPanel.h"

namespace {

using namespace accountpde::testing;
using pdehost::DialogOutcome;

// ---- Variant tables ----

TEST(Variants, ProductTypesAndLayouts) {
  const std::pair<const char*, int> rows[] = {{"Default00", 0}, {"Default01", 1}, {"Default02", 2}, {"Pellan00", 3},
                                              {"Printer00", 4}, {"Printer01", 5}, {"default01", 0}, {"Other", 0},
                                              {"", 0}};
  for (const auto& [variant, type] : rows) EXPECT_EQ(accountpde::ProductTypeForVariant(variant), type) << variant;
  EXPECT_STREQ(accountpde::JBALayoutForProductType(0), "NXBIPrintJBA_Default00");
  EXPECT_STREQ(accountpde::JBALayoutForProductType(5), "NXPrintJBA_Printer01");
  EXPECT_STREQ(accountpde::JBALayoutForProductType(6), "NXBIPrintJBA_Default00");
  EXPECT_STREQ(accountpde::JBALayoutForProductType(-1), "NXBIPrintJBA_Default00");
}

TEST(Variants, InformationSettingModeTable) {
  const int expected[4][3] = {{5, 9, 1}, {6, 9, 2}, {7, 9, 3}, {8, 9, 4}};
  for (int p = 0; p < 4; ++p)
    for (int i = 0; i < 3; ++i) EXPECT_EQ(accountpde::InfoSetModeItem(p, i), expected[p][i]) << p << "," << i;
  EXPECT_EQ(accountpde::InfoSetModeItem(-1, 0), 1);
  EXPECT_EQ(accountpde::InfoSetModeItem(4, 0), 1);
  EXPECT_EQ(accountpde::InfoSetModeItem(0, 3), 1);
}

// ---- Which PPDs offer the panel ----

struct OfferCase {
  const char* attributeLine;  // replaces the PPD's accounting line; empty drops it
  bool offered;
};

class Offer : public ::testing::TestWithParam<OfferCase> {};

TEST_P(Offer, NeedsTheAttributeTheLayoutAndTheHelpPage) {
  PPDVariant ppd(Lines{{"*NXXAccountingSettings:", GetParam().attributeLine}});
  AccountHost h;
  const auto report = h.Play(R"({"steps": [{"action": "cancel"}]})", h.Setup(ppd.Path()));
  ASSERT_TRUE(report.failures.empty()) << Failures(report);
  bool found = false;
  for (const auto& p : report.panels)
    if (p.kind == kAccountKind) {
      found = true;
      EXPECT_EQ(p.name, "Job Authentication");
    }
  EXPECT_EQ(found, GetParam().offered) << GetParam().attributeLine;
}

INSTANTIATE_TEST_SUITE_P(Cases, Offer,
                         ::testing::Values(OfferCase{"*NXXAccountingSettings: \"Default01-Default01\"", true},
                                           OfferCase{"*NXXAccountingSettings: \"Default00-Default00\"", true},
                                           OfferCase{"*NXXAccountingSettings: \"Printer01-Pellan00\"", true},
                                           OfferCase{"*NXXAccountingSettings: \"Unknown07-Default01\"", false},
                                           OfferCase{"*NXXAccountingSettings: \"Default01-Missing\"", false},
                                           OfferCase{"*NXXAccountingSettings: \"Default01\"", false},
                                           OfferCase{"", false}));

TEST(Offer, TheDefault00VariantLoadsItsOwnLayout) {
  PPDVariant ppd(Lines{{"*NXXAccountingSettings:", "*NXXAccountingSettings: \"Default00-Default00\""}});
  AccountHost h;
  const auto report = h.Play(R"({"steps": [
      {"action": "expect", "panel": "com.norvalex.nb.qm08.pde.AccountKind", "tag": 2, "value": 1}]})",
                             h.Setup(ppd.Path()));
  EXPECT_EQ(report.outcome, DialogOutcome::kPrinted) << Failures(report);
}

// ---- Account mode ----

TEST(AccountMode, NonAdministratorCannotChangeTheMode) {
  AccountHost h(User{"bob", false, kOldSystem});
  const auto report = h.Play(R"({"steps": [
      {"action": "expect", "panel": "com.norvalex.nb.qm08.pde.AccountKind", "tag": 2, "value": 1,
       "text": "User Mode", "enabled": false},
      {"action": "select", "panel": "com.norvalex.nb.qm08.pde.AccountKind", "tag": 2, "index": 0}]})");
  EXPECT_EQ(report.outcome, DialogOutcome::kExpectationFailed);
  ASSERT_EQ(report.failures.size(), 1u) << Failures(report);
  EXPECT_EQ(report.failures[0].step, 2u);
}

TEST(AccountMode, AdministratorChoosesModeAndItIsStoredForTheNextDialog) {
  auto prefs = std::make_shared<nx::platform::MemoryPreferences>();
  {
    AccountHost h(User{"alice", true, kOldSystem}, prefs);
    const auto report = h.Play(R"({"steps": [
        {"action": "expect", "panel": "com.norvalex.nb.qm08.pde.AccountKind", "tag": 2, "enabled": true},
        {"action": "select", "panel": "com.norvalex.nb.qm08.pde.AccountKind", "tag": 2, "item": "Administration Mode"},
        {"action": "expect", "panel": "com.norvalex.nb.qm08.pde.AccountKind", "tag": 2, "enabled": true},
        {"action": "print"}]})");
    ASSERT_EQ(report.outcome, DialogOutcome::kPrinted) << Failures(report);
    EXPECT_EQ(Option(report, accountpde::kJBAManageTypeTicketKey), "1");
    ASSERT_EQ(report.panels.size(), 2u);
    EXPECT_EQ(report.panels[0].summary.values.at("Authentication Mode"), "Administration Mode");
    EXPECT_EQ(report.panels[0].summary.displayOrder.front(), "Authentication Mode");
  }
  AccountHost next(User{"alice", false, kOldSystem}, prefs);
  const auto report = next.Play(R"({"steps": [
      {"action": "expect", "panel": "com.norvalex.nb.qm08.pde.AccountKind", "tag": 2, "value": 0, "enabled": false}]})");
  ASSERT_EQ(report.outcome, DialogOutcome::kPrinted) << Failures(report);
  EXPECT_EQ(Option(report, accountpde::kJBAManageTypeTicketKey), "1");
}

// Titles of the windows that opened over the dialog.
std::vector<std::string> DetailsWindowTitles(const pdehost::ScenarioToolkit& toolkit) {
  std::vector<std::string> titles;
  for (const auto& w : toolkit.ShownWindows())
    if (w.name != "Print Dialog") titles.push_back(w.title);
  return titles;
}

// What a user reads on each mode item is what the item does: the window its button opens, the
// details the filter sends (1: the administrator's stored details, 2: the user's own).
TEST(AccountMode, EachItemSaysWhichDetailsItsButtonOpens) {
  struct Case {
    int index;
    const char* item;
    const char* window;
    const char* title;
    const char* ticket;
  };
  for (const Case& c : {Case{0, "Administration Mode", "JBAInfoAdminWnd", "Administration Mode Settings", "1"},
                        Case{1, "User Mode", "JBAInfoWnd", "User Mode Settings", "2"}}) {
    AccountHost h(User{"alice", true, kOldSystem});
    const std::string pane = R"("panel": "com.norvalex.nb.qm08.pde.AccountKind")";
    const auto report = h.Play(R"({"steps": [
        {)" + pane + R"(, "action": "select", "tag": 2, "item": ")" + c.item + R"("},
        {)" + pane + R"(, "action": "expect", "tag": 2, "value": )" + std::to_string(c.index) + R"(},
        {)" + pane + R"(, "action": "click", "tag": 5},
        {"window": ")" + c.window + R"(", "action": "click", "tag": 10},
        {"action": "print"}]})");
    ASSERT_EQ(report.outcome, DialogOutcome::kPrinted) << c.item << Failures(report);
    EXPECT_EQ(DetailsWindowTitles(*h.toolkit), std::vector<std::string>{c.title}) << c.item;
    EXPECT_EQ(Option(report, accountpde::kJBAManageTypeTicketKey), c.ticket) << c.item;
    EXPECT_EQ(report.panels.at(0).summary.values.at("Authentication Mode"), c.item);
  }
  // A user who may not change the mode reads the default: their own details.
  AccountHost h(User{"bob", false, kOldSystem});
  const auto report = h.Play(R"({"steps": [
      {"action": "expect", "panel": "com.norvalex.nb.qm08.pde.AccountKind", "tag": 2, "value": 1,
       "text": "User Mode", "enabled": false},
      {"action": "click", "panel": "com.norvalex.nb.qm08.pde.AccountKind", "tag": 5},
      {"action": "expect", "window": "JBAInfoWnd", "tag": 22, "enabled": true},
      {"action": "click", "window": "JBAInfoWnd", "tag": 10}]})");
  ASSERT_EQ(report.outcome, DialogOutcome::kPrinted) << Failures(report);
  EXPECT_EQ(DetailsWindowTitles(*h.toolkit), std::vector<std::string>{"User Mode Settings"});
}

TEST(AccountMode, MembersOfThePrintSystemsGroupsChangeTheMode) {
  using nx::platform::FixedAccountDatabase;
  for (const auto& [login, enabled] : {std::pair<std::string, bool>{"alice", true}, {"bob", false}}) {
    auto accounts = std::make_shared<FixedAccountDatabase>(
        login,
        std::map<std::string, FixedAccountDatabase::User, std::less<>>{{"alice", {1000, 1000, {120}}},
                                                                      {"bob", {1001, 1001, {}}}},
        std::map<std::string, unsigned, std::less<>>{{"lpadmin", 120}});
    AccountHost h(User{login, false, kOldSystem,
                       std::make_shared<nx::platform::LinuxIdentity>("/nonexistent/machine-info",
                                                                     "/nonexistent/cups-files.conf", accounts)});
    const auto report = h.Play(std::string(R"({"steps": [
        {"action": "expect", "panel": "com.norvalex.nb.qm08.pde.AccountKind", "tag": 2, "enabled": )") +
                               (enabled ? "true" : "false") + "}]}");
    EXPECT_EQ(report.outcome, DialogOutcome::kPrinted) << login << Failures(report);
  }
}

TEST(AccountMode, FromTheNewerSystemOnTheListIsFixedEvenForAnAdministrator) {
  AccountHost h(User{"alice", true, kNewSystem});
  const auto report = h.Play(R"({"steps": [
      {"action": "expect", "panel": "com.norvalex.nb.qm08.pde.AccountKind", "tag": 2, "enabled": false},
      {"action": "expect", "panel": "com.norvalex.nb.qm08.pde.AccountKind", "tag": 5, "enabled": true}]})");
  EXPECT_EQ(report.outcome, DialogOutcome::kPrinted) << Failures(report);
  EXPECT_EQ(Option(report, accountpde::kJBAManageTypeTicketKey), "2");
}

// ---- Information-setting mode ----

struct PromptCase {
  const char* defaultLine;  // replaces *DefaultNXSelectID; empty drops it
  const char* item;
  bool detailsEnabled;
  bool listEnabled;  // for an administrator on the older system
};

class Prompt : public ::testing::TestWithParam<PromptCase> {};

TEST_P(Prompt, DerivesTheModeFromTheCustomisedPrompts) {
  const auto& c = GetParam();
  std::vector<std::pair<std::string, std::string>> lines{{"*DefaultNXSelectID:", c.defaultLine}};
  if (!*c.defaultLine) {  // no NXSelectID option at all
    lines = {{"*OpenUI *NXSelectID", ""},       {"*DefaultNXSelectID", ""}, {"*NXSelectID ", ""},
             {"*CloseUI: *NXSelectID", ""}};
  }
  PPDVariant ppd(lines);
  AccountHost h(User{"alice", true, kOldSystem});
  const std::string json = std::string(R"({"steps": [
      {"action": "expect", "panel": "com.norvalex.nb.qm08.pde.AccountKind", "tag": 5, "enabled": )") +
                           (c.detailsEnabled ? "true" : "false") + R"(},
      {"action": "expect", "panel": "com.norvalex.nb.qm08.pde.AccountKind", "tag": 2, "enabled": )" +
                           (c.listEnabled ? "true" : "false") + "}]}";
  const auto report = h.Play(json, h.Setup(ppd.Path()));
  EXPECT_EQ(report.outcome, DialogOutcome::kPrinted) << Failures(report);
  EXPECT_EQ(Option(report, accountpde::kJBAInfoSetTicketKey), c.item);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Prompt,
    ::testing::Values(PromptCase{"*DefaultNXSelectID: UserID_AccountID", "5", true, true},
                      PromptCase{"*DefaultNXSelectID: UserID", "6", true, true},
                      PromptCase{"*DefaultNXSelectID: AccountID", "7", true, true},
                      PromptCase{"*DefaultNXSelectID: None", "8", false, false},
                      PromptCase{"*DefaultNXSelectID: Unlisted", "1", true, true},
                      PromptCase{"", "1", true, true}));

// ---- Version label, help, ticket ----

TEST(Pane, VersionLabelMarksAMissingCDFFile) {
  {
    AccountHost h;
    const auto report = h.Play(R"({"steps": [
        {"action": "expect", "panel": "com.norvalex.nb.qm08.pde.AccountKind", "tag": 4, "title": "ver.1.0.0"}]})");
    EXPECT_EQ(report.outcome, DialogOutcome::kPrinted) << Failures(report);
  }
  for (const auto& [path, title] : {std::pair<std::string, std::string>{"/nonexistent/cdf.xml", "ver.1.0.0."},
                                    {std::string(NX_SOURCE_DIR) + "/ppd/nxfax.ppd", "ver.1.0.0"}}) {
    PPDVariant ppd(Lines{{"*NXLocalizableFileIndex:",
                     "*NXLocalizableFileIndex: \"00\"\n*NXXCDFSetting: \"" + path + "\""}});
    AccountHost h;
    const auto report = h.Play(R"({"steps": [
        {"action": "expect", "panel": "com.norvalex.nb.qm08.pde.AccountKind", "tag": 4, "title": ")" + title +
                                   "\"}]}",
                               h.Setup(ppd.Path()));
    EXPECT_EQ(report.outcome, DialogOutcome::kPrinted) << path << Failures(report);
  }
}

TEST(Pane, HelpButtonOpensTheAccountingPage) {
  AccountHost h;
  const auto report = h.Play(R"({"steps": [
      {"action": "click", "panel": "com.norvalex.nb.qm08.pde.AccountKind", "tag": 6}]})");
  ASSERT_EQ(report.outcome, DialogOutcome::kPrinted) << Failures(report);
  ASSERT_EQ(h.help->opened.size(), 1u);
  EXPECT_EQ(h.help->opened[0].page, "JBA_Default01.htm");
}

TEST(Pane, PrintWritesTheModeAndTheClientIdentity) {
  AccountHost h;
  const auto report = h.Play(R"({"steps": [{"action": "print"}]})");
  ASSERT_EQ(report.outcome, DialogOutcome::kPrinted) << Failures(report);
  EXPECT_EQ(Option(report, accountpde::kJBAManageTypeTicketKey), "2");
  EXPECT_EQ(Option(report, accountpde::kJBAInfoSetTicketKey), "5");
  EXPECT_EQ(Option(report, Key("JBAMacHostNameStringTicket")), "Front Desk");
  EXPECT_EQ(Option(report, Key("JBAHostNameStringTicket")), "pc1");
  EXPECT_EQ(Option(report, Key("JBAIPAddressStringTicket")), "IC0A8010A");
}

TEST(Pane, PrintingToAFileStillSavesTheSettings) {
  AccountHost h;
  const auto report = h.Play(R"({"destination": "file", "steps": [{"action": "print"}]})");
  ASSERT_EQ(report.outcome, DialogOutcome::kPrinted) << Failures(report);
  EXPECT_EQ(Option(report, accountpde::kJBAManageTypeTicketKey), "2");
}

}  // namespace
