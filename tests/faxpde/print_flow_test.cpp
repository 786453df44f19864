// The Fax Setting panel through the dialog host: which panels the PPD gets, the panel's
// settings and summary, the host refusing the resolution, printing to a file without any fax
// window, and the recipient / job confirmation loop with its job status.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "faxpde/FaxSettingPanel.h"
#include "recipient_steps.h"

namespace {

using namespace faxpde::testing;
using pdehost::DialogOutcome;

std::string Fax(const std::string& body) {
  return R"({"panel": "com.norvalex.nb.q21.pde.DirectFaxKind", )" + body + "}";
}
std::string Recipients() { return "DFRecipientListCountTicket"; }
const pdehost::PanelReport* FaxPanel(const pdehost::DialogReport& r) {
  for (const auto& p : r.panels)
    if (p.kind == kFaxSettingKind) return &p;
  return nullptr;
}

TEST(FaxPlugIn, DeviceOptionPanelFirstThenFaxSetting) {
  FaxHost h;
  const auto report = h.Play(Scenario({{Plain(R"("action": "cancel")")}}));
  ASSERT_EQ(report.panels.size(), 2u);
  EXPECT_EQ(report.panels[0].kind, kDeviceOptionKind);
  EXPECT_EQ(report.panels[0].name, "Device Options");
  EXPECT_EQ(report.panels[0].ppdOptionKeys, std::vector<std::string>{"NXFaxModule"});
  EXPECT_EQ(report.panels[1].kind, kFaxSettingKind);
  EXPECT_EQ(report.panels[1].name, "Fax Settings");
  EXPECT_EQ(report.panels[1].ppdOptionKeys, std::vector<std::string>{"NXFaxResolution"});
}

TEST(FaxPlugIn, NoPanelsWithoutTheSettingTypeOrItsHelpPage) {
  for (const char* line :
       {"", "*NXSettingType: \"Default00-Other\"", "*NXSettingType: \"Other-Default00\""}) {
    PPDVariant ppd(std::vector<std::pair<std::string, std::string>>{{"*NXSettingType:", line}});
    FaxHost h;
    pdehost::DialogSetup setup = h.Setup(ppd.Path());
    std::string why;
    ASSERT_TRUE(h.host->Open(setup, &why)) << why;
    pdehost::Scenario scenario;
    ASSERT_TRUE(pdehost::ParseScenario(R"({"steps": [{"action": "cancel"}]})", NX_FAXPDE_SCENARIOS,
                                       &scenario, &why));
    EXPECT_TRUE(h.host->Run(scenario).panels.empty()) << line;
  }
}

TEST(FaxSettingPanel, NibNamesOfTheDefaultVariant) {
  auto services = nx::platform::Services::Linux();
  auto bundle = nx::platform::Bundle::Open(std::string(NX_FAXPDE_BUNDLES) + "/faxpde.plugin");
  ASSERT_TRUE(bundle);
  faxpde::NXDirectFaxPDEPluginq21 panel(nullptr, *services, *bundle);
  EXPECT_EQ(panel.getPDENibFileName("NXDFaxSetting_"), "NXDFaxSetting_Default00");
  EXPECT_EQ(panel.getPDENibFileName("Phonebook_"), "Phonebook_Default00");
  EXPECT_EQ(panel.getPDENibFileName("Import_"), "Import_Default00");
  EXPECT_EQ(panel.getPDENibFileName("RecipientSetting_"), "RecipientSetting_Default00");
  EXPECT_EQ(panel.getPDENibFileName("Other_"), "");
}

TEST(FaxSettingPanel, PrintingToAFileShowsNoFaxWindowAndWritesTheSettings) {
  FaxHost h;
  const auto report =
      h.Play(Scenario({{Fax(R"("action": "select", "tag": 202, "index": 1)"),
                        Fax(R"("action": "select", "tag": 204, "index": 2)"), Print()}},
                      R"("destination": "file", )"));
  ASSERT_EQ(report.outcome, DialogOutcome::kPrinted) << Failures(report);
  EXPECT_EQ(Option(report, Key("DFFaxResolutionPopupListTicket")), "2");
  EXPECT_EQ(Option(report, Key("DFTransmissionReportPopupListTicket")), "3");
  EXPECT_EQ(Option(report, Key("DFaxSendHeaderTicket")), "1");
  EXPECT_EQ(Option(report, Key(Recipients())), "<absent>");
  EXPECT_EQ(Option(report, "NXFaxResolution"), "Fine");
  const auto* panel = FaxPanel(report);
  ASSERT_NE(panel, nullptr);
  EXPECT_EQ(panel->summary.values.at("Fax Resolution"), "Fine");
  EXPECT_EQ(panel->summary.values.at("Transmission Report"), "No Report");
  EXPECT_EQ(panel->summary.values.at("Send Header"), "On");
  EXPECT_EQ(panel->summary.displayOrder,
            (std::vector<std::string>{"Fax Resolution", "Transmission Report", "Send Header"}));
}

TEST(FaxSettingPanel, DefaultButtonAndTheResolutionFromThePPD) {
  FaxHost h;
  const auto report = h.Play(
      Scenario({{Fax(R"("action": "expect", "tag": 201, "title": "Fax Resolution")"),
                 Fax(R"("action": "expect", "tag": 202, "value": 0, "itemCount": 4)"),
                 Fax(R"("action": "expect", "tag": 204, "value": 1)"),
                 Fax(R"("action": "select", "tag": 202, "index": 3)"),
                 Fax(R"("action": "select", "tag": 204, "index": 0)"),
                 Fax(R"("action": "click", "tag": 205)"), Fax(R"("action": "click", "tag": 206)"),
                 Fax(R"("action": "expect", "tag": 202, "value": 0)"),
                 Fax(R"("action": "expect", "tag": 204, "value": 1)"),
                 Fax(R"("action": "expect", "tag": 205, "value": 1)"), Print()}},
               R"("destination": "preview", )"));
  ASSERT_EQ(report.outcome, DialogOutcome::kPrinted) << Failures(report);
  EXPECT_EQ(Option(report, Key("DFFaxResolutionPopupListTicket")), "1");
  EXPECT_EQ(Option(report, Key("DFTransmissionReportPopupListTicket")), "2");
  EXPECT_EQ(Option(report, Key("DFaxSendHeaderTicket")), "1");
}

TEST(FaxSettingPanel, RefusedResolutionIsNotWritten) {
  FaxHost h;
  const auto report =
      h.Play(Scenario({{Fax(R"("action": "select", "tag": 202, "index": 2)"), Print()}},
                      R"("destination": "file", "refuseOptions": ["NXFaxResolution"], )"));
  ASSERT_EQ(report.outcome, DialogOutcome::kPrinted) << Failures(report);
  EXPECT_EQ(Option(report, Key("DFFaxResolutionPopupListTicket")), "<absent>");
  EXPECT_EQ(Option(report, Key("DFTransmissionReportPopupListTicket")), "2");
}

TEST(PrintFlow, RecipientAndConfirmationWithOKSendTheList) {
  FaxHost h;
  const auto report = h.Play(Scenario({{Print()}, TypedRecipient("Abc", "0312345678"), Confirm()}));
  ASSERT_EQ(report.outcome, DialogOutcome::kPrinted) << Failures(report);
  EXPECT_EQ(Option(report, Key(Recipients())), "1");
  EXPECT_EQ(Option(report, Key("DFRecipientPaperSizeTicket")), "A4");
  EXPECT_EQ(Option(report, Key("DFRecipientListItemKeyTicket0")),
            "FAEN=0312345678{20}{30}{7QWJj}{}comment");
  EXPECT_EQ(Option(report, Key("DFDelaySendKeyTicket")), "<absent>");
  EXPECT_EQ(Option(report, Key("DFFaxResolutionPopupListTicket")), "1");
}

TEST(PrintFlow, AbortReturnsToTheRecipientsWithTheListKept) {
  FaxHost h;
  const auto report = h.Play(
      Scenario({{Print()},
                TypedRecipient("Abc", "0312345678"),
                {Click(19), In(kJobWindow, R"("action": "expect", "tag": 11, "itemCount": 1)"),
                 Click(17, kJobWindow),
                 In(kRecipientWindow, R"("action": "expect", "tag": 4, "itemCount": 1)")},
                TypedRecipient("Def", "0398765432"),
                {Click(19), In(kJobWindow, R"("action": "expect", "tag": 11, "itemCount": 2)"),
                 Click(16, kJobWindow)}}));
  ASSERT_EQ(report.outcome, DialogOutcome::kPrinted) << Failures(report);
  EXPECT_EQ(Option(report, Key(Recipients())), "2");
  EXPECT_EQ(Option(report, Key("DFRecipientListItemKeyTicket1")),
            "FAEN=0398765432{20}{30}{7RGVm}{}comment");
}

TEST(PrintFlow, CancellingTheRecipientWindowAfterAnAbortCancelsTheJob) {
  FaxHost h;
  const auto report = h.Play(Scenario({{Print()},
                                       TypedRecipient("Abc", "0312345678"),
                                       {Click(19), Click(17, kJobWindow), Click(20)}}));
  EXPECT_EQ(report.outcome, DialogOutcome::kCancelled);
  EXPECT_EQ(Option(report, Key(Recipients())), "<absent>");
}

TEST(PrintFlow, CancellingTheRecipientWindowCancelsTheJob) {
  FaxHost h;
  const auto report =
      h.Play(Scenario({{Print()}, TypedRecipient("Abc", "0312345678"), {Click(20)}}));
  EXPECT_EQ(report.outcome, DialogOutcome::kCancelled);
  EXPECT_EQ(Option(report, Key(Recipients())), "<absent>");
}

TEST(PrintFlow, TheShippedScenarioFilePlaysWithItsExpectations) {
  std::ifstream in(std::string(NX_FAXPDE_SCENARIOS) + "/fax_job.json");
  std::stringstream text;
  text << in.rdbuf();
  FaxHost h;
  const auto report = h.Play(text.str());
  ASSERT_EQ(report.outcome, DialogOutcome::kPrinted) << Failures(report);
  EXPECT_TRUE(report.failures.empty());
  EXPECT_EQ(Option(report, Key("DFRecipientListItemKeyTicket1")),
            "/70/65/69/78/61/39/48/48/49/50/39/123/125/99/111/109/109/101/110/116");
}

}  // namespace
