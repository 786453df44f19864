// The fax plug-in from the print dialog to the device: the stand-in dialog plays a user on the
// real bundle's panels and windows (two typed recipients, a speed dial, fine resolution, report on
// error, delayed send) and submits the job to the private print server. The device gets exactly
// the fax lines of those choices, then the document as a PDF.
#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "E2eFixture.h"
#include "FaxDialog.h"

namespace nx::e2e {
namespace {

#if defined(NX_PDEHOST_PATH) && defined(NX_FAXPDE_BUNDLES_DIR)

// The date the panels give a delayed send at hour:minute when the job is set up at `now`.
std::string DatedTime(std::time_t now, int hour, int minute) {
  std::tm tm{};
  localtime_r(&now, &tm);
  if (hour < tm.tm_hour || (hour == tm.tm_hour && minute < tm.tm_min)) {
    tm.tm_mday += 1;
    tm.tm_hour = 12;
    tm.tm_isdst = -1;
    std::mktime(&tm);
  }
  char text[96];
  std::snprintf(text, sizeof text, "%04d:%02d:%02d:%02d:%02d", tm.tm_year + 1900, tm.tm_mon + 1,
                tm.tm_mday, hour, minute);
  return text;
}

using E2eFaxPanels = E2eTest;

TEST_F(E2eFaxPanels, DialogChoicesGiveTheDeviceExactlyTheirFaxLinesAndThePDF) {
  ASSERT_NO_FATAL_FAILURE(StartServer());
  ASSERT_NO_FATAL_FAILURE(AddFaxQueue("fax", {}));

  const std::time_t before = std::time(nullptr);
  std::tm local{};
  localtime_r(&before, &local);
  const int hour = (local.tm_hour + 2) % 24, minute = local.tm_min;
  char hhmm[16];
  std::snprintf(hhmm, sizeof hhmm, "%02d:%02d", hour, minute);

  const std::vector<std::string> steps{
      Fax(R"("action": "select", "tag": 202, "index": 1)"),
      R"({"action": "print"})",
      Rec(R"("action": "enter", "tag": 2, "text": "Abc")"),
      Rec(R"("action": "enter", "tag": 7, "text": "0312345678")"),
      Rec(R"("action": "click", "tag": 5)"),
      Rec(R"("action": "enter", "tag": 2, "text": "Def")"),
      Rec(R"("action": "enter", "tag": 7, "text": "0398765432")"),
      Rec(R"("action": "click", "tag": 5)"),
      Rec(R"("action": "select", "tag": 11, "index": 1)"),
      Rec(R"("action": "enter", "tag": 9, "text": "12")"),
      Rec(R"("action": "click", "tag": 5)"),
      Rec(R"("action": "click", "tag": 19)"),
      Job(R"("action": "setState", "tag": 12, "state": 1)"),
      Job(R"("action": "setDate", "tag": 14, "time": ")" + std::string(hhmm) + "\""),
      Job(R"("action": "click", "tag": 16)")};
  std::string scenario = R"({"bundles": ["faxpde.plugin"], "steps": [)";
  for (std::size_t i = 0; i < steps.size(); ++i) scenario += (i ? ",\n" : "") + steps[i];
  scenario += "]}";
  const std::string scenarioPath = work_.path() + "/scenario.json";
  ASSERT_TRUE(WriteFile(scenarioPath, scenario));
  std::filesystem::create_directories(work_.path() + "/prefs/user");
  std::filesystem::create_directories(work_.path() + "/prefs/any");

  const CommandResult dialog = RunCommand(
      {NX_PDEHOST_PATH, "--queue", "fax", "--submit", Document(1), "--title", "Invoice",
       "--scenario", scenarioPath, NX_FAXPDE_BUNDLES_DIR},
      {server_->client_env(), "NX_USER_PREFS_DIR=" + work_.path() + "/prefs/user",
       "NX_ANY_USER_PREFS_DIR=" + work_.path() + "/prefs/any", "NX_KERNEL_RELEASE=9.8.0"});
  const std::time_t after = std::time(nullptr);
  ASSERT_EQ(dialog.status, 0) << dialog.output;
  std::smatch id;
  ASSERT_TRUE(std::regex_search(dialog.output, id, std::regex("request id is fax-([0-9]+)")))
      << dialog.output;
  const JobOutcome job = server_->WaitForJob("fax", std::stoi(id.str(1)));
  ASSERT_TRUE(job.ended);
  EXPECT_EQ(job.state, IPP_JSTATE_COMPLETED) << job.job_message;

  const DeviceStream stream = SplitDeviceStream(server_->DeviceOutput("fax"));
  ASSERT_TRUE(stream.ok) << stream.problem;
  auto expected = [&](std::time_t now) {
    return "@PJL SET JOBATTR=\"@FCRD=3\"\r\n"
           "@PJL SET JOBATTR=\"@OLEK=1\"\r\n"
           "@PJL SET JOBATTR=\"@IPFK=1\"\r\n"
           "@PJL SET RESOLUTION=200\r\n@PJL SET JOBATTR=\"@FARE=FINE\"\r\n"
           "@PJL SET JOBATTR=\"@TRRE=ONERROR\"\r\n"
           "@PJL SET JOBATTR=\"@DESE=" +
           std::string(hhmm) +
           "\"\r\n"
           "@PJL SET JOBATTR=\"@FATM=" +
           DatedTime(now, hour, minute) +
           "\"\r\n"
           "@PJL SET JOBATTR=\"@TXHE=ON\"\r\n"
           "@PJL SET PAPER=A4\r\n"
           "@PJL SET JOBATTR=\"@FAEN=0312345678{20}{30}{7QWJj}{}comment\"\r\n"
           "@PJL SET JOBATTR=\"@FAEN=0398765432{20}{30}{7RGVm}{}comment\"\r\n"
           "@PJL SET JOBATTR=\"@FAEN='0012'{}comment\"\r\n"
           "@PJL SET JOBATTR=\"@IEXT=STANDARD\"\r\n";
  };
  const std::string lines = FaxLines(stream.header);
  if (lines != expected(after)) {
    EXPECT_EQ(Visible(lines), Visible(expected(before))) << Visible(stream.header);
  }
  const PdfReport pdf = ExaminePdf(stream.pdf, work_.path() + "/device.pdf");
  EXPECT_TRUE(pdf.check_passed) << pdf.check_output;
  EXPECT_EQ(pdf.pages, 1);
}

#endif

}  // namespace
}  // namespace nx::e2e
