// The pdehost program: output, exit statuses and messages, run as a user would run it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <nlohmann/json.hpp>

#include "../platform/temp_dir.h"
#include "host_fixture.h"
#include "pdehost/JobOptions.h"

namespace {

using namespace pdehost;
using namespace pdehost::testing;
using ::testing::HasSubstr;

struct Result {
  int status = -1;
  std::string out;
  std::string err;
};

class PdehostTest : public ::testing::Test {
 protected:
  // Runs pdehost with `args` (shell words) in an environment that keeps preferences in the
  // test's folder and stands before the 0x1070 gate.
  Result Run(const std::string& args, const std::string& env = "") {
    const std::string command = "env NX_USER_PREFS_DIR=" + dir_ / "prefs" + " NX_ANY_USER_PREFS_DIR=" +
                                dir_ / "anyprefs" + " NX_KERNEL_RELEASE=9.8 LANGUAGE=en " + env + " " + NX_PDEHOST +
                                " " + args + " >" + dir_ / "out" + " 2>" + dir_ / "err";
    const int rc = std::system(command.c_str());
    Result r;
    r.status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    r.out = nx::testing::ReadText(dir_ / "out");
    r.err = nx::testing::ReadText(dir_ / "err");
    return r;
  }
  std::string Scenario(const std::string& name) { return " -s " + Scenarios(name) + " " + NX_TEST_BUNDLES; }

  nx::testing::TempDir dir_;
};

std::string Value(const JobOptionList& options, const std::string& key) {
  for (const auto& [k, v] : options)
    if (k == key) return v;
  return "<absent>";
}

TEST_F(PdehostTest, HelpDescribesOptionsAndExitStatuses) {
  const Result r = Run("--help");
  EXPECT_EQ(r.status, 0);
  EXPECT_THAT(r.out, HasSubstr("Usage: pdehost [OPTION]... BUNDLE_DIR"));
  EXPECT_THAT(r.out, HasSubstr("--submit FILE"));
  EXPECT_THAT(r.out, HasSubstr("1 printing cancelled"));
}

TEST_F(PdehostTest, PrintsTheJobOptionsAsAnOptionString) {
  const Result r = Run(Scenario("print_details.json"));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.back(), '\n');
  const JobOptionList options = ParseOptionString(r.out);
  EXPECT_EQ(Value(options, Key("TestNoteTicket")), "/97/44/98");
  EXPECT_EQ(Value(options, Key("TestUserTicket")), "alice");
  EXPECT_EQ(Value(options, "Duplex"), "DuplexTumble");
  // The panel stored its values for the next dialog, per printer.
  EXPECT_THAT(nx::testing::ReadText(dir_ / "prefs/ByHost/" + ".GlobalPreferences." + nx::platform::CurrentHostId() +
                                    ".plist"),
              HasSubstr("Test_Queue" + Key("TestNoteReference")));
}

// Without a folder the installed plug-ins are loaded; NX_PLUGIN_DIR says where they are.
TEST_F(PdehostTest, LoadsTheInstalledPlugInsWithoutABundleFolder) {
  const std::string bundles = std::string("NX_PLUGIN_DIR=") + NX_TEST_BUNDLES;
  Result r = Run("--help", bundles);
  EXPECT_THAT(r.out, HasSubstr("(NX_PLUGIN_DIR moves them): " + std::string(NX_TEST_BUNDLES) + "\n"));
  r = Run("--json -s " + Scenarios("print_details.json"), bundles);
  ASSERT_EQ(r.status, 0) << r.err;
  const auto j = nlohmann::json::parse(r.out);
  ASSERT_EQ(j["panels"].size(), 1u);
  EXPECT_EQ(j["panels"][0]["kind"], kPanelKind);
  // The folder given wins over the variable.
  r = Run("-p " + Scenarios("TestQueue.ppd") + " " + dir_.path(), bundles);
  EXPECT_EQ(r.status, 4);
  EXPECT_THAT(r.err, HasSubstr("no plug-in bundles in " + dir_.path()));
}

TEST_F(PdehostTest, JsonReportAndOptionsFromTheCommandLine) {
  const Result r =
      Run("--json -q Other -p " + Scenarios("TestQueue.ppd") + " -d file -o 'job-sheets=standard copies=2' " +
          NX_TEST_BUNDLES);
  ASSERT_EQ(r.status, 0) << r.err;
  const auto j = nlohmann::json::parse(r.out);
  EXPECT_EQ(j["outcome"], "printed");
  EXPECT_EQ(j["options"]["job-sheets"], "standard");
  EXPECT_EQ(j["options"]["copies"], "2");
  EXPECT_EQ(j["options"][Key("TestModeTicket")], "2");
  EXPECT_EQ(j["panels"][0]["kind"], kPanelKind);
  EXPECT_EQ(j["panels"][0]["summary"]["Send header"], "On");
  EXPECT_TRUE(j["alerts"].empty());
  EXPECT_EQ(ParseOptionString(j["optionString"].get<std::string>()).size(), j["options"].size());
}

TEST_F(PdehostTest, CancelledPrintingExitsWithOne) {
  const Result r = Run(Scenario("cancel_empty_note.json"));
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_THAT(r.err, HasSubstr("pdehost: printing cancelled: panel com.norvalex.test.pde.TestKind stopped printing"));
}

TEST_F(PdehostTest, FailedStepExitsWithTwoAndNamesIt) {
  const Result r = Run(Scenario("disabled_note.json"));
  EXPECT_EQ(r.status, 2);
  EXPECT_THAT(r.err, HasSubstr("pdehost: step 3 (type tag 3 of 1 bytes in panel #0): "));
  EXPECT_THAT(r.err, HasSubstr("element is disabled"));
}

TEST_F(PdehostTest, BadCommandLinesAndScenarioFilesExitWithThree) {
  nx::testing::WriteText(dir_ / "bad.json", R"({"steps": [{"action": "press", "panel": "#0", "tag": 1}]})");
  Result r = Run("-s " + dir_ / "bad.json" + " " + NX_TEST_BUNDLES);
  EXPECT_EQ(r.status, 3);
  EXPECT_THAT(r.err, HasSubstr("bad.json: step 1: unknown action \"press\""));
  r = Run("-x " + std::string(NX_TEST_BUNDLES));
  EXPECT_EQ(r.status, 3);
  EXPECT_THAT(r.err, HasSubstr("unknown option -x"));
  r = Run("-q");
  EXPECT_EQ(r.status, 3);
  EXPECT_THAT(r.err, HasSubstr("option -q needs a value"));
  r = Run("-q Q", "NX_PLUGIN_DIR=" + dir_ / "none");
  EXPECT_EQ(r.status, 3);
  EXPECT_THAT(r.err, HasSubstr("no bundle folder given, and no installed plug-ins in " + dir_ / "none"));
  r = Run("-q Q " + std::string(NX_TEST_BUNDLES) + " " + std::string(NX_TEST_BUNDLES));
  EXPECT_EQ(r.status, 3);
  EXPECT_THAT(r.err, HasSubstr("more than one bundle folder given"));
  r = Run("-d paper " + std::string(NX_TEST_BUNDLES));
  EXPECT_EQ(r.status, 3);
}

TEST_F(PdehostTest, SetupFailuresExitWithFour) {
  const Result r = Run("-p " + Scenarios("TestQueue.ppd") + " " + dir_.path());
  EXPECT_EQ(r.status, 4);
  EXPECT_THAT(r.err, HasSubstr("no plug-in bundles in"));
}

TEST_F(PdehostTest, SubmissionFailureExitsWithFive) {
  const Result r = Run("-d file --submit " + Scenarios("TestQueue.ppd") + " -q Test_Queue -p " +
                           Scenarios("TestQueue.ppd") + " " + NX_TEST_BUNDLES,
                       "CUPS_SERVER=" + dir_ / "no-such.sock");
  EXPECT_EQ(r.status, 5);
  EXPECT_THAT(r.err, HasSubstr("cannot submit"));
  EXPECT_THAT(r.err, HasSubstr("to Test_Queue"));
}

TEST_F(PdehostTest, TicketTooLongForTheServerExitsWithFiveBeforeSubmitting) {
  // Two options of 70000 bytes: nothing to send as plain text, too long together.
  nx::testing::WriteText(dir_ / "long.json", R"({"options": {"a": ")" + std::string(70000, 'x') +
                                                 R"(", "b": ")" + std::string(70000, 'y') + R"("}})");
  const Result r = Run("-d file --submit " + Scenarios("TestQueue.ppd") + " -q Test_Queue -p " +
                           Scenarios("TestQueue.ppd") + " -s " + dir_ / "long.json" + " " + NX_TEST_BUNDLES,
                       "CUPS_SERVER=" + dir_ / "no-such.sock");
  EXPECT_EQ(r.status, 5);
  EXPECT_THAT(r.err, HasSubstr("to Test_Queue: the job options take "));
  EXPECT_THAT(r.err, HasSubstr("bytes; the print server can pass 122879 to its filters"));
  EXPECT_EQ(r.out, "");
}

}  // namespace
