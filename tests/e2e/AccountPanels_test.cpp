// The account plug-in from the print dialog to the device: the stand-in dialog (pdehost) plays a
// user on the real bundle's panels and submits the job to the private print server, whose
// filter chain ends in the built jobfilter. The device gets exactly the accounting and print
// type lines of those choices, the passwords only in protected form: the clear texts reach
// neither the device stream, nor the job copy, nor the server's log.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "DialogJob.h"
#include "E2eFixture.h"
#include "pdekit/UtilityFunction.h"

namespace nx::e2e {
namespace {

#if defined(NX_PDEHOST_PATH) && defined(NX_ACCOUNTPDE_BUNDLES_DIR)

const char kUserPassword[] = "Secret#42 ok";
const char kPin[] = "907315826401";
const char kJobPassword[] = "Walnut-77";

// The panels' ticket form of a password (XOR scrambling and base64).
std::string PanelForm(const std::string& plain) {
  char buffer[256] = {};
  plain.copy(buffer, sizeof buffer - 1);
  const char* out = pdekit::encode(buffer, static_cast<int>(plain.size()), sizeof buffer);
  return out ? out : "";
}

std::string Pane(const std::string& body) { return R"({"panel": "com.norvalex.nb.qm08.pde.AccountKind", )" + body + "}"; }
std::string PrintType(const std::string& body) {
  return R"({"panel": "com.norvalex.nb.qm08.pde.PrintTypeKind", )" + body + "}";
}
std::string Details(const std::string& body) { return R"({"window": "JBAInfoWnd", )" + body + "}"; }
std::string PerJob(const std::string& body) { return R"({"window": "JBAInputWindow", )" + body + "}"; }

struct AccountCase {
  const char* name;
  std::vector<std::string> steps;
  // The accounting and print type lines, with "<PIN>", "<PW>" and "<TIME>" standing for the
  // password values and the start time.
  std::string lines;
  std::string pin, password;  // clear texts behind <PIN> and <PW> (empty when not used)
};

std::vector<AccountCase> Cases() {
  return {
      {"StoredDetailsAndSecurePrint",
       {Pane(R"("action": "click", "tag": 5)"), Details(R"("action": "select", "tag": 22, "index": 1)"),
        Details(R"("action": "enter", "tag": 26, "text": "ABC")"),
        Details(std::string(R"("action": "enter", "tag": 29, "text": ")") + kUserPassword + "\""),
        Details(R"("action": "enter", "tag": 24, "text": "corp")"),
        Details(R"("action": "enter", "tag": 32, "text": "77")"), Details(R"("action": "click", "tag": 10)"),
        PrintType(R"("action": "select", "tag": 102, "index": 1)"),
        PrintType(R"("action": "enter", "tag": 103, "text": "U1")"),
        PrintType(std::string(R"("action": "enter", "tag": 104, "text": ")") + kPin + "\""),
        R"({"action": "print"})"},
       "@PJL SET HOLD=STORE\n"
       "@PJL SET HOLDTYPE=PRIVATE\n"
       "@PJL SET USERNAME=\"U1\"\r\n"
       "@PJL SET HOLDENCRYPTKEY=\"<PIN>\"\r\n"
       "@PJL SET JOBNAME=\"Report\"\r\n"
       "@PJL SET JOBATTR=\"@JOAU=ABC\"\r\n"
       "@PJL SET JOBATTR=\"@JOEP=<PW>\"\r\n"
       "@PJL SET JOBATTR=\"@JOAD=corp\"\r\n"
       "@PJL SET JOBATTR=\"@DAID=77\"\r\n",
       kPin, kUserPassword},
      {"PerJobDetailsAndDelayedPrintUnderAnEnteredName",
       {Pane(R"("action": "click", "tag": 5)"), Details(R"("action": "click", "tag": 30)"),
        Details(R"("action": "click", "tag": 10)"), PrintType(R"("action": "select", "tag": 102, "index": 3)"),
        PrintType(R"("action": "setDate", "tag": 107, "time": "21:05")"),
        PrintType(R"("action": "select", "tag": 105, "index": 1)"),
        PrintType(R"("action": "enter", "tag": 106, "text": "Budget 2027")"), R"({"action": "print"})",
        PerJob(R"("action": "enter", "tag": 46, "text": "carol")"),
        PerJob(std::string(R"("action": "enter", "tag": 48, "text": ")") + kJobPassword + "\""),
        PerJob(R"("action": "click", "tag": 10)")},
       "@PJL SET JOBNAME=\"Budget 2027\"\r\n"
       "@PJL SET JOBATTR=\"@PRTM=<TIME>\"\r\n"
       "@PJL SET JOBATTR=\"@JOAU=carol\"\r\n"
       "@PJL SET JOBATTR=\"@JOEP=<PW>\"\r\n"
       "@PJL SET JOBATTR=\"@DAID=\"\r\n",
       "", kJobPassword},
      {"SamplePrintWithTheLoginName",
       {PrintType(R"("action": "select", "tag": 102, "index": 2)"),
        PrintType(R"("action": "enter", "tag": 103, "text": "proof-reader")"), R"({"action": "print"})"},
       "@PJL SET HOLD=PROOF\n"
       "@PJL SET USERNAME=\"proof-reader\"\r\n"
       "@PJL SET JOBNAME=\"Report\"\r\n"
       "@PJL SET JOBATTR=\"@JOAU=<LOGIN>\"\r\n"
       "@PJL SET JOBATTR=\"@JOEP=\"\r\n"
       "@PJL SET JOBATTR=\"@DAID=\"\r\n",
       "", ""},
  };
}

struct Run {
  AccountCase c;
  const char* encryption;  // the queue's NXEncryptionSetting
};

void PrintTo(const Run& r, std::ostream* os) { *os << r.c.name << "/" << r.encryption; }

// The header lines of the accounting and print type modules, in order.
std::string AccountLines(const std::string& header) {
  static const std::regex wanted(
      "@PJL SET (HOLD|HOLDTYPE|USERNAME|HOLDENCRYPTKEY|JOBNAME|BOXNUMBER|BOXENCRYPTKEY)=.*|"
      "@PJL SET JOBATTR=\"@(JOAU|JOEP|JOAD|DAID|ACID|ACEP|PRTM)=.*",
      std::regex::extended);
  std::string out;
  for (const std::string& line : HeaderLines(header)) {
    std::string bare = line;
    while (!bare.empty() && (bare.back() == '\n' || bare.back() == '\r')) bare.pop_back();
    if (std::regex_match(bare, wanted)) out += line;
  }
  return out;
}

// Replaces the value of the first `marker` ... `end` in `text` by `placeholder`; the value.
std::string TakeValue(std::string& text, const std::string& marker, const std::string& placeholder) {
  const std::size_t at = text.find(marker);
  if (at == std::string::npos) return "";
  const std::size_t from = at + marker.size();
  const std::size_t to = text.find('"', from);
  if (to == std::string::npos) return "";
  const std::string value = text.substr(from, to - from);
  text.replace(from, to - from, placeholder);
  return value;
}

// What the device gets for a password: the panels' ticket form as they wrote it. The filter
// re-encrypts for the device ("NXEncryptionSetting" New) only values in the storage form
// (Accounting_test); the panels' enciphered write is XOR scrambling, which it passes on as it is
// under either setting.
void ExpectProtected(const std::string& value, const std::string& plain) {
  EXPECT_EQ(value, PanelForm(plain));
  EXPECT_NE(value, plain);
}

std::string LoginName() {
  const CommandResult who = RunCommand({"id", "-un"});
  std::string name = who.output;
  while (!name.empty() && (name.back() == '\n' || name.back() == '\r')) name.pop_back();
  return name;
}

class E2eAccountPanels : public DialogJobTest, public ::testing::WithParamInterface<Run> {};

TEST_P(E2eAccountPanels, DialogChoicesGiveTheDeviceExactlyTheirLines) {
  const AccountCase& c = GetParam().c;
  const std::string encryption = GetParam().encryption;
  ASSERT_NO_FATAL_FAILURE(StartServer());
  ASSERT_NO_FATAL_FAILURE(AddFaxQueue("fax", {{"NXEncryptionSetting", encryption}}));
  ASSERT_TRUE(WriteFile(server_->root() + "/nx-system/nxjobcopy", ""));

  // A fax job needs a recipient; the fax panels are not loaded, so the job options carry it.
  const DialogRun run{"Report",
                      {"-o", TicketKey("DFRecipientListCountTicket") + "=1", "-o",
                       TicketKey("DFRecipientListItemKeyTicket0") + "=FAEN=0312345678"},
                      NX_ACCOUNTPDE_BUNDLES_DIR,
                      "14.5.0",
                      {}};
  CommandResult dialog;
  ASSERT_NO_FATAL_FAILURE(RunDialog(DialogScenario("accountpde.plugin", c.steps), run, &dialog));
  ASSERT_NO_FATAL_FAILURE(WaitForDialogJob(dialog));

  const std::string device = server_->DeviceOutput("fax");
  const DeviceStream stream = SplitDeviceStream(device);
  ASSERT_TRUE(stream.ok) << stream.problem;
  std::string lines = AccountLines(stream.header);
  const std::string pin = TakeValue(lines, "HOLDENCRYPTKEY=\"", "<PIN>");
  const std::string password = TakeValue(lines, "@JOEP=", c.password.empty() ? "" : "<PW>");
  std::smatch time;
  if (std::regex_search(lines, time, std::regex("@PRTM=([0-9]{4}:[0-9]{2}:[0-9]{2}):21:05\""))) {
    lines.replace(static_cast<std::size_t>(time.position(1)), static_cast<std::size_t>(time.length(1) + 6), "<TIME>");
  }
  std::string expected = c.lines;
  if (const std::size_t at = expected.find("<LOGIN>"); at != std::string::npos) expected.replace(at, 7, LoginName());
  EXPECT_EQ(Visible(lines), Visible(expected)) << Visible(stream.header);
  if (!c.pin.empty()) ExpectProtected(pin, c.pin);
  if (!c.password.empty()) ExpectProtected(password, c.password);

  // The clear passwords are nowhere the job went.
  std::vector<std::string> places{device, server_->ErrorLog()};
  for (const auto& entry : std::filesystem::directory_iterator(server_->root() + "/spool/tmp"))
    if (entry.path().extension() == ".job") places.push_back(ReadFile(entry.path().string()));
  ASSERT_EQ(places.size(), 3u) << "no job copy";
  EXPECT_TRUE(places[2] == device) << "the job copy differs from the device stream";
  for (const std::string& secret : {c.pin, c.password}) {
    if (secret.empty()) continue;
    for (const std::string& place : places) EXPECT_EQ(place.find(secret), std::string::npos);
  }
}

std::vector<Run> Runs() {
  std::vector<Run> runs;
  // The queue's default setting for every scenario; the other one for the first.
  for (const AccountCase& c : Cases()) runs.push_back({c, "New"});
  runs.push_back({Cases().front(), "Old"});
  return runs;
}

INSTANTIATE_TEST_SUITE_P(Scenarios, E2eAccountPanels, ::testing::ValuesIn(Runs()), [](const auto& info) {
  return std::string(info.param.c.name) + "_" + info.param.encryption;
});

#endif

}  // namespace
}  // namespace nx::e2e
