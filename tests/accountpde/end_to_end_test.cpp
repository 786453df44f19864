// From the dialog to the device header: the job options the host produced from scenarios, given
// to the built jobfilter as a fax job's options, give the accounting and print type lines, the
// passwords in their protected forms.
#include <cups/raster.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "account_fixture.h"
#include "pdehost/JobOptions.h"
#include "pdekit/UtilityFunction.h"

namespace {

using namespace accountpde::testing;
using pdehost::DialogOutcome;

std::string Protected(const std::string& password) {
  char buffer[256] = {};
  password.copy(buffer, sizeof buffer - 1);
  const char* out = pdekit::encode(buffer, static_cast<int>(password.size()), sizeof buffer);
  return out ? out : "";
}

class EndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/accountpde-e2e-XXXXXX";
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

  // The header the filter sends for a one-recipient fax job with `report`'s options.
  std::string Header(const pdehost::DialogReport& report) {
    std::string options = pdehost::FormatOptionString(report.jobOptions);
    options += " " + Key("DFRecipientListCountTicket") + "=1 " + Key("DFRecipientPaperSizeTicket") + "=A4 " +
               Key("DFRecipientListItemKeyTicket") + "0=ITEM0";
    const std::string out = dir_ + "/out", err = dir_ + "/err";
    const pid_t pid = ::fork();
    if (pid == 0) {
      const int o = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      const int e = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      ::dup2(o, 1);
      ::dup2(e, 2);
      const std::string tmp = "TMPDIR=" + dir_, sys = "NX_SYSTEM_DIR=" + dir_, priv = "NX_PRIVATE_TMP=" + dir_;
      const char* envp[] = {"CUPS_FILETYPE=document", tmp.c_str(), sys.c_str(), priv.c_str(), nullptr};
      const char* argv[] = {NX_JOBFILTER, "7", "alice", "Quarterly", "1", options.c_str(), raster_.c_str(), nullptr};
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
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << es.str();
    const std::string stream = ss.str();
    return stream.substr(0, stream.find("@PJL ENTER LANGUAGE=PDF"));
  }

  std::string dir_, raster_;
};

std::string P(const std::string& body) { return R"({"panel": "com.norvalex.nb.qm08.pde.AccountKind", )" + body + "}"; }
std::string T(const std::string& body) { return R"({"panel": "com.norvalex.nb.qm08.pde.PrintTypeKind", )" + body + "}"; }
std::string U(const std::string& body) { return R"({"window": "JBAInfoWnd", )" + body + "}"; }
std::string I(const std::string& body) { return R"({"window": "JBAInputWindow", )" + body + "}"; }

TEST_F(EndToEnd, UserModeStoredDetailsWithSecurePrint) {
  AccountHost h;
  const auto report = h.Play(R"({"steps": [)" + P(R"("action": "click", "tag": 5)") + "," +
                             U(R"("action": "select", "tag": 22, "index": 1)") + "," +
                             U(R"("action": "enter", "tag": 26, "text": "ABC")") + "," +
                             U(R"("action": "enter", "tag": 29, "text": "pass")") + "," +
                             U(R"("action": "enter", "tag": 32, "text": "77")") + "," +
                             U(R"("action": "click", "tag": 10)") + "," +
                             T(R"("action": "select", "tag": 102, "index": 1)") + "," +
                             T(R"("action": "enter", "tag": 103, "text": "U1")") + "," +
                             T(R"("action": "enter", "tag": 104, "text": "1234")") + R"(, {"action": "print"}]})");
  ASSERT_EQ(report.outcome, DialogOutcome::kPrinted) << Failures(report);
  EXPECT_EQ(Option(report, Key("JBAUserPasswordTextEditTicket")), Protected("pass"));
  EXPECT_EQ(Option(report, Key("PrintTypePasswordTicketKey")), Protected("1234"));
  const std::string header = Header(report);
  const std::string expected = "@PJL SET HOLD=STORE\n"
                               "@PJL SET HOLDTYPE=PRIVATE\n"
                               "@PJL SET USERNAME=\"U1\"\r\n"
                               "@PJL SET HOLDENCRYPTKEY=\"" + Protected("1234") + "\"\r\n"
                               "@PJL SET JOBNAME=\"Quarterly\"\r\n";
  EXPECT_NE(header.find(expected), std::string::npos) << header;
  EXPECT_NE(header.find("@PJL SET JOBATTR=\"@JOAU=ABC\"\r\n"
                        "@PJL SET JOBATTR=\"@JOEP=" + Protected("pass") + "\"\r\n"
                        "@PJL SET JOBATTR=\"@DAID=77\"\r\n"),
            std::string::npos)
      << header;
  // The filter names the client from its own look-up, not from the panel's entries.
  EXPECT_NE(header.find("@LUNA=alice"), std::string::npos) << header;
}

TEST_F(EndToEnd, PerJobDetailsAndDelayedPrint) {
  AccountHost h;
  const auto report = h.Play(R"({"steps": [)" + P(R"("action": "click", "tag": 5)") + "," +
                             U(R"("action": "click", "tag": 30)") + "," + U(R"("action": "click", "tag": 10)") + "," +
                             T(R"("action": "select", "tag": 102, "index": 3)") + "," +
                             T(R"("action": "setDate", "tag": 107, "time": "21:05")") + R"(, {"action": "print"},)" +
                             I(R"("action": "enter", "tag": 46, "text": "carol")") + "," +
                             I(R"("action": "enter", "tag": 48, "text": "9876")") + "," +
                             I(R"("action": "click", "tag": 10)") + "]}");
  ASSERT_EQ(report.outcome, DialogOutcome::kPrinted) << Failures(report);
  const std::string header = Header(report);
  EXPECT_NE(header.find("@JOAU=carol"), std::string::npos) << header;
  EXPECT_NE(header.find("@JOEP=" + Protected("9876")), std::string::npos) << header;
  EXPECT_NE(header.find("PRTM"), std::string::npos) << header;
  EXPECT_NE(header.find("21:05"), std::string::npos) << header;
}

}  // namespace
