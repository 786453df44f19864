// The fax plug-in from the print dialog to the device: the stand-in dialog plays a user on the
// real bundle's panels and windows (two typed recipients, a speed dial, fine resolution, report on
// error, delayed send) and submits the job to the private print server. The device gets exactly
// the fax lines of those choices, then the document as a PDF.
#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "../support/fax_job_lines.h"
#include "DialogJob.h"
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

using E2eFaxPanels = DialogJobTest;

TEST_F(E2eFaxPanels, DialogChoicesGiveTheDeviceExactlyTheirFaxLinesAndThePDF) {
  ASSERT_NO_FATAL_FAILURE(StartServer());
  ASSERT_NO_FATAL_FAILURE(AddFaxQueue("fax", {}));

  const std::time_t before = std::time(nullptr);
  const nx::testing::DelayedSend send = nx::testing::TwoHoursAfter(before);

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
      Job(R"("action": "setDate", "tag": 14, "time": ")" + send.hhmm + "\""),
      Job(R"("action": "click", "tag": 16)")};
  CommandResult dialog;
  ASSERT_NO_FATAL_FAILURE(
      RunDialog(FaxScenario(steps), {"Invoice", {}, NX_FAXPDE_BUNDLES_DIR, "9.8.0", {}}, &dialog));
  const std::time_t after = std::time(nullptr);
  ASSERT_NO_FATAL_FAILURE(WaitForDialogJob(dialog));

  const DeviceStream stream = SplitDeviceStream(server_->DeviceOutput("fax"));
  ASSERT_TRUE(stream.ok) << stream.problem;
  auto expected = [&](std::time_t now) {
    return nx::testing::DelayedFaxJobLines(send.hhmm, DatedTime(now, send.hour, send.minute));
  };
  const std::string lines = FaxLines(stream.header);
  if (lines != expected(after)) {
    EXPECT_EQ(Visible(lines), Visible(expected(before))) << Visible(stream.header);
  }
  const PdfReport pdf = ExaminePdf(stream.pdf, work_.path() + "/device.pdf");
  EXPECT_TRUE(pdf.check_passed) << pdf.check_output;
  EXPECT_EQ(pdf.pages, 1);
}

// A number with an apostrophe travels in the escaped form through the print server and reaches
// the device as typed; one with a double quote is refused in the window and never reaches the job.
TEST_F(E2eFaxPanels, ApostropheInANumberReachesTheDeviceAQuoteIsRefusedWhenTyped) {
  ASSERT_NO_FATAL_FAILURE(StartServer());
  ASSERT_NO_FATAL_FAILURE(AddFaxQueue("fax", {}));
  const std::vector<std::string> steps{
      R"({"action": "print"})",
      Rec(R"("action": "enter", "tag": 2, "text": "Abc")"),
      Rec(R"("action": "enter", "tag": 7, "text": "03\"11")"),
      Rec(R"("action": "click", "tag": 5)"),
      R"({"action": "answerAlert", "button": 0, "textKey": "Warning_Invalid_Input_Number_ID"})",
      Rec(R"("action": "enter", "tag": 7, "text": "03'11")"),
      Rec(R"("action": "click", "tag": 5)"),
      Rec(R"("action": "click", "tag": 19)"),
      Job(R"("action": "click", "tag": 16)")};
  CommandResult dialog;
  ASSERT_NO_FATAL_FAILURE(
      RunDialog(FaxScenario(steps), {"Memo", {}, NX_FAXPDE_BUNDLES_DIR, "9.8.0", {}}, &dialog));
  ASSERT_NO_FATAL_FAILURE(WaitForDialogJob(dialog));
  const DeviceStream stream = SplitDeviceStream(server_->DeviceOutput("fax"));
  ASSERT_TRUE(stream.ok) << stream.problem;
  std::vector<std::string> recipients;
  for (const std::string& line : HeaderLines(stream.header))
    if (line.rfind("@PJL SET JOBATTR=\"@FAEN=", 0) == 0) recipients.push_back(line);
  EXPECT_EQ(recipients, std::vector<std::string>{"@PJL SET JOBATTR=\"@FAEN=03'11{20}{30}{7QWJj}{}comment\"\r\n"})
      << Visible(stream.header);
}

#endif

}  // namespace
}  // namespace nx::e2e
