// From the dialog to the device header: the job options the host produced from scenarios, given
// to the built jobfilter as a fax job's options, give the accounting and print type lines, the
// passwords in their protected forms.
#include <gtest/gtest.h>

#include "../support/jobfilter_fixture.h"
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

class EndToEnd : public nx::testing::JobfilterTest {
 protected:
  void SetUp() override { ASSERT_NO_FATAL_FAILURE(MakeJobFolder("accountpde-e2e", false)); }

  // The header the filter sends for a one-recipient fax job with `report`'s options.
  std::string Header(const pdehost::DialogReport& report) {
    std::string options = pdehost::FormatOptionString(report.jobOptions);
    options += " " + Key("DFRecipientListCountTicket") + "=1 " + Key("DFRecipientPaperSizeTicket") + "=A4 " +
               Key("DFRecipientListItemKeyTicket") + "0=ITEM0";
    // A queue always has a PPD; without one the filter cannot make the document and sends nothing.
    // This one has no encryption setting, so the passwords leave as the panels wrote them.
    const std::string stream = RunJobfilter("7", "Quarterly", options,
                                            {"PPD=" + std::string(NX_SOURCE_DIR) + "/tests/FilterFrame/FilterInitTest.ppd"});
    return stream.substr(0, stream.find("@PJL ENTER LANGUAGE=PDF"));
  }
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
