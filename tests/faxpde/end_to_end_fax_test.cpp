// From the dialog to the device header: a fax job set up in the dialog (two typed recipients,
// a speed dial, fine resolution, report on error, delayed send) gives, through the built
// jobfilter, exactly the fax lines of the header, followed by the document as PDF.
#include <gtest/gtest.h>

#include <ctime>

#include "../support/fax_job_lines.h"
#include "../support/jobfilter_fixture.h"
#include "faxpde/JobConfirmationWindow.h"
#include "pdehost/JobOptions.h"
#include "recipient_steps.h"

namespace {

using namespace faxpde::testing;
using pdehost::DialogOutcome;

class FaxEndToEnd : public nx::testing::JobfilterTest {
 protected:
  void SetUp() override { ASSERT_NO_FATAL_FAILURE(MakeJobFolder("faxpde-e2e", true)); }

  // The device stream the filter writes for the dialog's job options.
  std::string Stream(const pdehost::DialogReport& report) {
    return RunJobfilter("9", "Invoice", pdehost::FormatOptionString(report.jobOptions),
                        {"PPD=" + std::string(NX_SOURCE_DIR) + "/ppd/nxfax.ppd"});
  }
};

std::string Fax(const std::string& body) {
  return R"({"panel": "com.norvalex.nb.q21.pde.DirectFaxKind", )" + body + "}";
}

TEST_F(FaxEndToEnd, TwoTypedRecipientsASpeedDialFineReportOnErrorDelayedSend) {
  // Two hours ahead: dated today unless the day turns meanwhile (both answers are accepted).
  const std::time_t before = std::time(nullptr);
  const nx::testing::DelayedSend send = nx::testing::TwoHoursAfter(before);

  FaxHost h;
  const auto report = h.Play(Scenario(
      {{Fax(R"("action": "select", "tag": 202, "index": 1)"),
        Fax(R"("action": "expect", "tag": 204, "value": 1)"), Print()},
       TypedRecipient("Abc", "0312345678"),
       TypedRecipient("Def", "0398765432"),
       SpeedDialRecipient("", "12"),
       {Click(19), In(kJobWindow, R"("action": "expect", "tag": 11, "itemCount": 3)"),
        In(kJobWindow, R"("action": "setState", "tag": 12, "state": 1)"),
        In(kJobWindow, R"("action": "setDate", "tag": 14, "time": ")" + send.hhmm + R"(")"),
        Click(16, kJobWindow)}}));
  const std::time_t after = std::time(nullptr);
  ASSERT_EQ(report.outcome, DialogOutcome::kPrinted) << Failures(report);
  ASSERT_EQ(Option(report, Key("DFRecipientListCountTicket")), "3");

  const std::string stream = Stream(report);
  const size_t from = stream.find("@PJL SET JOBATTR=\"@FCRD");
  const std::string closing = "@PJL SET JOBATTR=\"@IEXT=STANDARD\"\r\n";
  const size_t to = stream.find(closing);
  ASSERT_NE(from, std::string::npos) << stream;
  ASSERT_NE(to, std::string::npos) << stream;
  const std::string lines = stream.substr(from, to + closing.size() - from);
  auto expected = [&](std::time_t now) {
    return nx::testing::DelayedFaxJobLines(send.hhmm, faxpde::DelayedSendDateText(now, send.hour, send.minute));
  };
  if (lines != expected(after)) {
    EXPECT_EQ(lines, expected(before));
  }
  // Then the language switch and the page as a PDF document.
  const std::string tail = stream.substr(to + closing.size());
  EXPECT_EQ(tail.rfind("@PJL ENTER LANGUAGE=PDF\n%PDF-", 0), 0u) << tail.substr(0, 64) << errors_;
  EXPECT_NE(tail.find("%%EOF"), std::string::npos);
}

}  // namespace
