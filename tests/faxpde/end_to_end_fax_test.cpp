// From the dialog to the device header: a fax job set up in the dialog (two typed recipients,
// a speed dial, fine resolution, report on error, delayed send) gives, through the built
// jobfilter, exactly the fax lines of the header, followed by the document as PDF.
#include <cups/raster.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "faxpde/JobConfirmationWindow.h"
#include "pdehost/JobOptions.h"
#include "recipient_steps.h"

namespace {

using namespace faxpde::testing;
using pdehost::DialogOutcome;

class FaxEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/faxpde-e2e-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    raster_ = dir_ + "/page.ras";
    const int fd = ::open(raster_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    cups_raster_t* raster = cupsRasterOpen(fd, CUPS_RASTER_WRITE);
    cups_page_header2_t header{};
    header.cupsWidth = 32;
    header.cupsHeight = 16;
    header.HWResolution[0] = header.HWResolution[1] = 200;
    header.PageSize[0] = 595;
    header.PageSize[1] = 842;
    header.NumCopies = 1;
    header.cupsBitsPerColor = header.cupsBitsPerPixel = 8;
    header.cupsBytesPerLine = 32;
    header.cupsColorOrder = CUPS_ORDER_CHUNKED;
    header.cupsColorSpace = CUPS_CSPACE_K;
    header.cupsNumColors = 1;
    ASSERT_TRUE(cupsRasterWriteHeader2(raster, &header));
    std::vector<unsigned char> line(32, 0x80);
    for (int y = 0; y < 16; ++y) ASSERT_EQ(cupsRasterWritePixels(raster, line.data(), 32), 32u);
    cupsRasterClose(raster);
    ::close(fd);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  // The device stream the filter writes for the dialog's job options.
  std::string Stream(const pdehost::DialogReport& report) {
    const std::string options = pdehost::FormatOptionString(report.jobOptions);
    const std::string out = dir_ + "/out", err = dir_ + "/err";
    const pid_t pid = ::fork();
    if (pid == 0) {
      const int o = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      const int e = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      ::dup2(o, 1);
      ::dup2(e, 2);
      const std::string tmp = "TMPDIR=" + dir_, sys = "NX_SYSTEM_DIR=" + dir_,
                        priv = "NX_PRIVATE_TMP=" + dir_;
      const std::string ppd = "PPD=" + std::string(NX_SOURCE_DIR) + "/ppd/nxfax.ppd";
      const char* envp[] = {
          "CUPS_FILETYPE=document", ppd.c_str(), tmp.c_str(), sys.c_str(), priv.c_str(), nullptr};
      const char* argv[] = {NX_JOBFILTER,    "9",    "alice", "Invoice", "1", options.c_str(),
                            raster_.c_str(), nullptr};
      ::execve(NX_JOBFILTER, const_cast<char* const*>(argv), const_cast<char* const*>(envp));
      ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    std::ifstream in(out, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    std::ifstream errIn(err);
    std::stringstream es;
    es << errIn.rdbuf();
    errors_ = es.str();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << errors_;
    return ss.str();
  }

  std::string dir_, raster_, errors_;
};

std::string Fax(const std::string& body) {
  return R"({"panel": "com.norvalex.nb.q21.pde.DirectFaxKind", )" + body + "}";
}

TEST_F(FaxEndToEnd, TwoTypedRecipientsASpeedDialFineReportOnErrorDelayedSend) {
  // Two hours ahead: dated today unless the day turns meanwhile (both answers are accepted).
  const std::time_t before = std::time(nullptr);
  std::tm local{};
  localtime_r(&before, &local);
  const int hour = (local.tm_hour + 2) % 24, minute = local.tm_min;
  char hhmm[8];
  std::snprintf(hhmm, sizeof hhmm, "%02d:%02d", hour, minute);

  FaxHost h;
  const auto report = h.Play(Scenario(
      {{Fax(R"("action": "select", "tag": 202, "index": 1)"),
        Fax(R"("action": "expect", "tag": 204, "value": 1)"), Print()},
       TypedRecipient("Abc", "0312345678"),
       TypedRecipient("Def", "0398765432"),
       SpeedDialRecipient("", "12"),
       {Click(19), In(kJobWindow, R"("action": "expect", "tag": 11, "itemCount": 3)"),
        In(kJobWindow, R"("action": "setState", "tag": 12, "state": 1)"),
        In(kJobWindow, R"("action": "setDate", "tag": 14, "time": ")" + std::string(hhmm) + R"(")"),
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
    return "@PJL SET JOBATTR=\"@FCRD=3\"\r\n"
           "@PJL SET JOBATTR=\"@OLEK=1\"\r\n"
           "@PJL SET JOBATTR=\"@IPFK=1\"\r\n"
           "@PJL SET RESOLUTION=200\r\n@PJL SET JOBATTR=\"@FARE=FINE\"\r\n"
           "@PJL SET JOBATTR=\"@TRRE=ONERROR\"\r\n"
           "@PJL SET JOBATTR=\"@DESE=" +
           std::string(hhmm) +
           "\"\r\n"
           "@PJL SET JOBATTR=\"@FATM=" +
           faxpde::DelayedSendDateText(now, hour, minute) +
           "\"\r\n"
           "@PJL SET JOBATTR=\"@TXHE=ON\"\r\n"
           "@PJL SET PAPER=A4\r\n"
           "@PJL SET JOBATTR=\"@FAEN=0312345678{20}{30}{7QWJj}{}comment\"\r\n"
           "@PJL SET JOBATTR=\"@FAEN=0398765432{20}{30}{7RGVm}{}comment\"\r\n"
           "@PJL SET JOBATTR=\"@FAEN='0012'{}comment\"\r\n" +
           closing;
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
