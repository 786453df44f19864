// The dialog host driving the test plug-in through its C entry point: the protocol calls, the
// scenario runner with nested modal windows and alerts, and what reaches the job options.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <ctime>

#include "EncryptLib.h"
#include "../platform/temp_dir.h"
#include "host_fixture.h"
#include "pdekit/PDEHost.h"

namespace {

using namespace pdehost;
using namespace pdehost::testing;
using ::testing::HasSubstr;

std::string Unscramble(const std::string& b64) {
  unsigned char bytes[256];
  int n = 0, m = 0;
  if (nx::encrypt::XSPB64ToBin(b64.data(), static_cast<int>(b64.size()), bytes, &n, sizeof bytes) != 0) return "?";
  if (nx::encrypt::XSPEncrypt(bytes, n, bytes, &m, sizeof bytes) != 0) return "?";
  return std::string(reinterpret_cast<char*>(bytes), static_cast<size_t>(m));
}

TEST(DialogHost, ScenarioFileDrivesPaneAndDetailsWindowToPrint) {
  HostFixture f;
  Scenario scenario;
  std::string why;
  ASSERT_TRUE(LoadScenarioFile(Scenarios("print_details.json"), &scenario, &why)) << why;
  DialogSetup setup = f.Setup();
  setup.ppdPath = *scenario.ppd;
  const DialogReport r = f.PlayScenario(scenario, setup);
  ASSERT_EQ(r.outcome, DialogOutcome::kPrinted) << Failures(r) << r.cancelReason;

  // The password went out enciphered, every byte of it.
  const std::string password = Option(r, Key("PrintTypePasswordTicketKey"));
  EXPECT_NE(password, "12\xC2\xA5" "34");
  EXPECT_EQ(Unscramble(password), "12\xC2\xA5" "34");
  // The start time is dated today or tomorrow.
  const std::string delay = Option(r, Key("DelayPrintTicketKey"));
  EXPECT_THAT(delay, ::testing::MatchesRegex("20[0-9][0-9]:[01][0-9]:[0-3][0-9]:08:30"));

  ASSERT_EQ(r.panels.size(), 1u);
  EXPECT_EQ(r.panels[0].name, "Test Settings");
  EXPECT_EQ(r.panels[0].bundle, "TestPDE.plugin");
  EXPECT_EQ(r.panels[0].ppdOptionKeys, std::vector<std::string>{"Duplex"});
  EXPECT_TRUE(r.panels[0].shown);
  EXPECT_EQ(r.panels[0].summary.values.at("Send header"), "On");
  EXPECT_EQ(r.panels[0].summary.values.at("Start time"), "08:30");
  ASSERT_EQ(r.alerts.size(), 1u);
  EXPECT_EQ(r.alerts[0].alert.text_key, "Warning32");
  EXPECT_EQ(r.alerts[0].alert.informative_text, "Enter a user ID of 2 to 8 characters.");
  EXPECT_EQ(r.alerts[0].window, "TestDetails");
}

TEST(DialogHost, StoredValuesComeBackInTheNextDialog) {
  auto prefs = std::make_shared<nx::platform::MemoryPreferences>();
  {
    HostFixture f("9.8", prefs);
    const DialogReport r = f.Play(R"({"steps": [
      {"action": "enter", "panel": "#0", "tag": 3, "text": "memo"},
      {"action": "set", "panel": "#0", "tag": 2, "value": 0}]})");
    ASSERT_EQ(r.outcome, DialogOutcome::kPrinted) << Failures(r);
  }
  // Old style: per printer, in the any-application domain of the current user.
  const nx::platform::PrefDomain domain{std::string(nx::platform::kAnyApplication), nx::platform::PrefUser::kCurrent,
                                        nx::platform::PrefHost::kCurrent};
  EXPECT_EQ(prefs->CopyString("Test_Queue" + Key("TestNoteReference"), domain), "memo");
  HostFixture g("9.8", prefs);
  const DialogReport r = g.Play(R"({"steps": [
    {"action": "expect", "panel": "#0", "tag": 3, "text": "memo"},
    {"action": "expect", "panel": "#0", "tag": 2, "value": 0, "text": "Fast"},
    {"action": "cancel"}]})");
  EXPECT_EQ(r.outcome, DialogOutcome::kCancelled) << Failures(r);
  EXPECT_EQ(r.cancelReason, "the user cancelled the dialog");
}

TEST(DialogHost, FromTheGateSettingsAreKeptInThePrintSettingsWithProtectedPasswords) {
  HostFixture f("11.0");
  const DialogReport r = f.Play(R"({"steps": [
    {"action": "enter", "panel": "#0", "tag": 3, "text": "memo"},
    {"action": "enter", "panel": "#0", "tag": 5, "text": "4321"}]})");
  ASSERT_EQ(r.outcome, DialogOutcome::kPrinted) << Failures(r);
  EXPECT_EQ(Option(r, Key("TestNoteReference")), "memo");
  const std::string stored = Option(r, Key("PrintTypePasswordReference"));
  EXPECT_EQ(stored.size(), 24u);
  EXPECT_EQ(stored.find("4321"), std::string::npos);
  EXPECT_EQ(Unscramble(Option(r, Key("PrintTypePasswordTicketKey"))), "4321");
}

TEST(DialogHost, CancelledByThePanelsQuestion) {
  HostFixture f;
  Scenario scenario;
  std::string why;
  ASSERT_TRUE(LoadScenarioFile(Scenarios("cancel_empty_note.json"), &scenario, &why)) << why;
  const DialogReport r = f.PlayScenario(scenario, f.Setup());
  EXPECT_EQ(r.outcome, DialogOutcome::kCancelled) << Failures(r);
  EXPECT_EQ(r.cancelReason, std::string("panel ") + kPanelKind + " stopped printing");
  ASSERT_EQ(r.alerts.size(), 1u);
  EXPECT_EQ(r.alerts[0].answer, 1);
  EXPECT_EQ(r.alerts[0].alert.buttons, (std::vector<std::string>{"OK", "Cancel"}));
}

TEST(DialogHost, PrintingToAFileAsksNothing) {
  HostFixture f;
  const DialogReport r = f.Play(R"({"destination": "file"})");
  EXPECT_EQ(r.outcome, DialogOutcome::kPrinted) << Failures(r);
  EXPECT_TRUE(r.alerts.empty());
  EXPECT_EQ(Option(r, Key("TestNoteTicket")), "");
  EXPECT_EQ(Option(r, Key("TestModeTicket")), "2");  // the default item
}

TEST(DialogHost, RefusedPPDChoiceLeavesTicketAndOptionsAlone) {
  HostFixture f;
  const DialogReport r = f.Play(R"({"refuseOptions": ["Duplex"], "options": {"job-sheets": "none"}, "steps": [
    {"action": "select", "panel": "#0", "tag": 7, "index": 1},
    {"action": "enter", "panel": "#0", "tag": 3, "text": "x"}]})");
  ASSERT_EQ(r.outcome, DialogOutcome::kPrinted) << Failures(r);
  EXPECT_EQ(Option(r, Key("TestDuplexTicket")), "<absent>");
  EXPECT_EQ(Option(r, "Duplex"), "<absent>");
  EXPECT_EQ(Option(r, "job-sheets"), "none");  // given options reach the print settings
  EXPECT_TRUE(ppdFindChoice(ppdFindOption(f.host->ppd(), "Duplex"), "None")->marked);
}

TEST(DialogHost, FilesChosenInOpenPanels) {
  nx::testing::TempDir dir;
  nx::testing::WriteText(dir / "memo.txt", "x");
  HostFixture f;
  const DialogReport r = f.Play(R"({"destination": "file", "steps": [
    {"action": "click", "panel": "#0", "tag": 8},
    {"action": "chooseFile", "path": ")" + dir / "memo.txt" + R"("},
    {"action": "expect", "panel": "#0", "tag": 3, "text": "memo"},
    {"action": "click", "panel": "#0", "tag": 8},
    {"action": "cancelPanel"},
    {"action": "click", "panel": "#0", "tag": 8},
    {"action": "chooseFile", "path": ")" + dir / "absent.txt" + R"("}]})");
  EXPECT_EQ(r.outcome, DialogOutcome::kExpectationFailed);
  EXPECT_EQ(Failures(r), "step 6 (click tag 8 in panel #0): open panel: no file " + dir / "absent.txt" + "\n");
  EXPECT_EQ(Option(r, Key("TestNoteTicket")), "memo");
}

struct FailureCase {
  const char* name;
  const char* scenario;
  const char* message;
};

class ScenarioFailureTest : public ::testing::TestWithParam<FailureCase> {};

TEST_P(ScenarioFailureTest, NamesTheStepAndWhatWasWrong) {
  HostFixture f;
  const DialogReport r = f.Play(GetParam().scenario);
  EXPECT_EQ(r.outcome, DialogOutcome::kExpectationFailed);
  EXPECT_THAT(Failures(r), HasSubstr(GetParam().message));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ScenarioFailureTest,
    ::testing::Values(
        FailureCase{"WrongValue", R"({"steps": [{"action": "expect", "panel": "#0", "tag": 2, "value": 0}]})",
                    "step 1 (expect tag 2 in panel #0): expected selected index 0, found 1"},
        FailureCase{"DisabledElement",
                    R"({"steps": [{"action": "set", "panel": "#0", "tag": 1, "value": 0},
                                  {"action": "type", "panel": "#0", "tag": 3, "text": "x"}]})",
                    "step 2 (type tag 3 of 1 bytes in panel #0): \"type tag 3 (1 bytes)\": element is disabled"},
        FailureCase{"WindowNotOpen", R"({"steps": [{"action": "click", "window": "TestDetails", "tag": 12}]})",
                    "step 1 (click tag 12 in window TestDetails): window TestDetails is not open"},
        FailureCase{"PaneBehindWindow",
                    R"({"steps": [{"action": "click", "panel": "#0", "tag": 4},
                                  {"action": "click", "panel": "#0", "tag": 1}]})",
                    "step 2 (click tag 1 in panel #0): panels cannot be reached while window TestDetails is open"},
        FailureCase{"OtherWindowInFront",
                    R"({"steps": [{"action": "click", "panel": "#0", "tag": 4},
                                  {"action": "click", "window": "Elsewhere", "tag": 1}]})",
                    "window Elsewhere is not in front (TestDetails is)"},
        FailureCase{"WrongAlert",
                    R"({"steps": [{"action": "print"}, {"action": "answerAlert", "textKey": "Warning99"}]})",
                    "step 2 (answerAlert with button 0): expected an alert with text key \"Warning99\", but the "
                    "alert shown has \"Empty Note Text\""},
        FailureCase{"UnansweredAlert", R"({"steps": [{"action": "print"}]})",
                    "step 1 (print): alert Empty Note Title/Empty Note Text shown with no scripted answer"},
        FailureCase{"NeverReached",
                    R"({"steps": [{"action": "cancel"}, {"action": "click", "panel": "#0", "tag": 1}]})",
                    "step 2 (click tag 1 in panel #0): this and the following steps were never reached"},
        FailureCase{"UnknownPanel", R"({"steps": [{"action": "click", "panel": "nope", "tag": 1}]})",
                    "no panel \"nope\" (panels: com.norvalex.test.pde.TestKind)"},
        FailureCase{"NoSuchItem", R"({"steps": [{"action": "select", "panel": "#0", "tag": 2, "item": "Huge"}]})",
                    "no item \"Huge\" (items: \"Fast\", \"Fine\", \"Best\")"},
        FailureCase{"ValueForAButton", R"({"steps": [{"action": "set", "panel": "#0", "tag": 4, "value": 1}]})",
                    "a button has no value to set"},
        FailureCase{"ModalWindowLeftOpen", R"({"steps": [{"action": "click", "panel": "#0", "tag": 4}]})",
                    "step 1 (click tag 4 in panel #0): script ran out in modal window TestDetails"},
        FailureCase{"Setting", R"({"destination": "file", "expectSettings": {"Duplex": "DuplexTumble",
                                   "com.norvalex.nb.qtz.printsettings.TestModeTicket": null}})",
                    "expected setting Duplex = \"DuplexTumble\", found \"None\"\nexpected no setting "
                    "com.norvalex.nb.qtz.printsettings.TestModeTicket, found \"2\""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DialogHost, OpeningReportsWhatIsMissing) {
  HostFixture f;
  DialogSetup setup = f.Setup();
  setup.ppdPath = Scenarios("absent.ppd");
  std::string why;
  EXPECT_FALSE(f.host->Open(setup, &why));
  EXPECT_THAT(why, HasSubstr("cannot read the PPD"));

  HostFixture g;
  setup = g.Setup();
  setup.bundlesDir = NX_HOST_SCENARIOS;  // no bundles there
  EXPECT_FALSE(g.host->Open(setup, &why));
  EXPECT_THAT(why, HasSubstr("no plug-in bundles in"));

  HostFixture h;
  setup = h.Setup();
  setup.bundles = {"Missing.plugin"};
  EXPECT_FALSE(h.host->Open(setup, &why));
  EXPECT_THAT(why, HasSubstr("Missing.plugin: not a bundle"));
}

TEST(PlugInLoader, BundlesAreFoundAndLoadedThroughTheEntryPoint) {
  EXPECT_EQ(FindBundles(NX_TEST_BUNDLES), std::vector<std::string>{"TestPDE.plugin"});
  HostFixture f;
  std::string why;
  auto loaded = LoadPlugIn(std::string(NX_TEST_BUNDLES) + "/TestPDE.plugin", *f.services, &why);
  ASSERT_TRUE(loaded) << why;
  EXPECT_EQ(loaded->bundle->Identifier(), "com.norvalex.test.pde.TestPDE");
  // Only the entry point is visible: the plug-in's copy of the framework stays its own.
  EXPECT_NE(loaded->library->Symbol(pdekit::kPDEEntryPointName), nullptr);
  EXPECT_EQ(loaded->library->Symbol("_ZN6pdekit11BaseControl14UIEventHandlerEv"), nullptr);
  pdekit::BasicPrintSession session("Q");
  pdekit::BasicPrintSettings settings;
  pdekit::BasicHostCallback noPPD(&session, &settings, nullptr);
  EXPECT_TRUE(loaded->plugin->PDEPanelsForType(pdekit::kPrintDialogPDEType, &noPPD).empty());
}

}  // namespace
