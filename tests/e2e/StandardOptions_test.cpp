// Faxing from any application: the print system's standard fax, accounting and secure print
// options, sent by `lp` or by the client library as a standard dialog does, reach the device
// as the recipient, accounting and print type attributes the panels would have produced.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "../support/fax_job_lines.h"
#include "E2eFixture.h"
#include "EncryptLib.h"
#include "nx/ticket/recipient_ticket.h"

namespace nx::e2e {
namespace {

// The item the recipient window writes for a number typed in on an outside line.
std::string WindowItem(const std::string& number, const std::string& outsideLine = "") {
  ticket::RecipientFields fields;
  fields.address = number;
  ticket::LineSettings line;
  line.outsideLineNumber = outsideLine;
  std::string item;
  EXPECT_TRUE(ticket::BuildRecipientItem(fields, line, &item));
  return item;
}

std::string RecipientLine(const std::string& item) { return "@PJL SET JOBATTR=\"@" + item + "\"\r\n"; }

class E2eStandardOptions : public E2eTest {
 protected:
  // `lp -d queue -o ... file` as the job's user; the job's outcome.
  JobOutcome RunLp(const std::string& queue, const std::vector<std::string>& options) {
    std::vector<std::string> argv = {"lp", "-d", queue, "-t", "Quarterly report"};
    for (const std::string& o : options) {
      argv.push_back("-o");
      argv.push_back(o);
    }
    argv.push_back(Document(1, queue + ".pdf"));
    const CommandResult r = RunCommand(argv, {server_->client_env()});
    EXPECT_EQ(r.status, 0) << r.output;
    std::smatch m;
    static const std::regex id("request id is [^ ]+-([0-9]+)");
    if (!std::regex_search(r.output, m, id)) {
      ADD_FAILURE() << "no job id in: " << r.output;
      return {};
    }
    JobOutcome outcome = server_->WaitForJob(queue, std::stoi(m.str(1)));
    EXPECT_TRUE(outcome.ended) << "job did not end, state " << outcome.state;
    return outcome;
  }

  // The header lines the queue's device received (empty when there is no whole job).
  std::string Header(const std::string& queue) {
    const DeviceStream stream = SplitDeviceStream(server_->DeviceOutput(queue));
    EXPECT_TRUE(stream.ok) << stream.problem;
    EXPECT_EQ(stream.trailer, kTrailer);
    return stream.header;
  }
};

TEST_F(E2eStandardOptions, PhoneFromLpGivesTheRecipientWindowsLine) {
  ASSERT_NO_FATAL_FAILURE(StartServer());
  ASSERT_NO_FATAL_FAILURE(AddFaxQueue("fax"));
  const JobOutcome job = RunLp("fax", {"phone=0312345678", "NXFaxResolution=Fine"});
  EXPECT_EQ(job.state, IPP_JSTATE_COMPLETED) << job.job_message;

  const std::string header = Header("fax");
  // Fax kit (the PPD's setting type), the queue's fax defaults and the job's fine resolution,
  // the paper of the job, then exactly the recipient window's line for 0312345678.
  const std::string faxLines = nx::testing::FineFaxHeadLines() +
                               "@PJL SET JOBATTR=\"@TXHE=ON\"\r\n"
                               "@PJL SET PAPER=A4\r\n" +
                               RecipientLine(WindowItem("0312345678")) +
                               "@PJL SET JOBATTR=\"@IEXT=STANDARD\"\r\n" + kEnterPdf;
  EXPECT_EQ(WindowItem("0312345678"), "FAEN=0312345678{20}{30}{}comment");
  ASSERT_GE(header.size(), faxLines.size());
  EXPECT_EQ(Visible(header.substr(header.size() - faxLines.size())), Visible(faxLines));
  // No accounting or print type of its own: only the client identity lines.
  EXPECT_EQ(header.find("@DAID"), std::string::npos);
  EXPECT_EQ(header.find("HOLD"), std::string::npos);
}

TEST_F(E2eStandardOptions, DestinationUrisAccountAndPin) {
  ASSERT_NO_FATAL_FAILURE(StartServer());
  ASSERT_NO_FATAL_FAILURE(AddFaxQueue("uris"));
  ASSERT_NO_FATAL_FAILURE(AddFaxQueue("account"));

  // Two numbers as destination-uris, with the fax prefix as the outside line.
  JobOutcome job =
      RunJobAsIs("uris", Document(1), {{"destination-uris", "tel:0311111111,tel:+81-3-2222-2222"}, {"faxPrefix", "9"}});
  EXPECT_EQ(job.state, IPP_JSTATE_COMPLETED) << job.job_message;
  std::string header = Header("uris");
  EXPECT_NE(header.find("@PJL SET JOBATTR=\"@IEXT=STANDARD\"\r\n"), std::string::npos);
  EXPECT_NE(header.find(RecipientLine(WindowItem("0311111111", "9")) +
                        RecipientLine(WindowItem("+81322222222", "9")) + "@PJL SET JOBATTR=\"@IEXT"),
            std::string::npos)
      << Visible(header);

  // Account ID and a secure print PIN: user-mode accounting under the login name, and secure
  // print whose key is the device-key blob of the PIN (the queue asks for re-encryption).
  job = RunJobAsIs("account", Document(1),
                   {{"phone", "0312345678"}, {"job-account-id", "ACC42"}, {"job-password", "2468"}});
  EXPECT_EQ(job.state, IPP_JSTATE_COMPLETED) << job.job_message;
  header = Header("account");
  EXPECT_NE(header.find("@PJL SET JOBATTR=\"@JOAU=alice\"\r\n@PJL SET JOBATTR=\"@JOEP=\"\r\n"
                        "@PJL SET JOBATTR=\"@DAID=ACC42\"\r\n"),
            std::string::npos)
      << Visible(header);
  static const std::regex secure(
      "@PJL SET HOLD=STORE\n@PJL SET HOLDTYPE=PRIVATE\n@PJL SET USERNAME=\"alice\"\r\n"
      "@PJL SET HOLDENCRYPTKEY=\"([A-Za-z0-9+/=]+)\"\r\n");
  std::smatch m;
  ASSERT_TRUE(std::regex_search(header, m, secure)) << Visible(header);
  const std::string blob = m.str(1);
  // Base64 of a blob of a 4-byte value: 4 * ceil(BlobLen(4) / 3) characters.
  EXPECT_EQ(blob.size(), 4u * ((encrypt::BlobLen(4) + 2) / 3));
  EXPECT_EQ(header.find("2468"), std::string::npos);
}

struct BadCase {
  const char* name;
  std::string option;
  std::string value;
  const char* message;
};
void PrintTo(const BadCase& c, std::ostream* os) { *os << c.name; }

class E2eBadStandardNumber : public E2eTest, public ::testing::WithParamInterface<BadCase> {};

TEST_P(E2eBadStandardNumber, RefusesTheJobAndSendsNothing) {
  ASSERT_NO_FATAL_FAILURE(StartServer());
  ASSERT_NO_FATAL_FAILURE(AddFaxQueue("fax"));
  std::string error;
  const int id = server_->Submit("fax", Document(1), "t", "alice", {{GetParam().option, GetParam().value}}, &error);
  if (id > 0) {
    const JobOutcome job = server_->WaitForJob("fax", id);
    EXPECT_EQ(job.state, IPP_JSTATE_STOPPED);
    EXPECT_NE(job.job_message.find(GetParam().message), std::string::npos) << job.job_message;
  }  // else the server itself refused the value: nothing can reach the device either
  EXPECT_EQ(server_->DeviceOutput("fax"), "");
}

INSTANTIATE_TEST_SUITE_P(
    Numbers, E2eBadStandardNumber,
    ::testing::Values(BadCase{"Letters", "phone", "03-CALL-NOW", "(phone) holds a character"},
                      BadCase{"ThreeHundredDigits", "phone", std::string(300, '7'), "longer than 100"},
                      BadCase{"NotTel", "destination-uris", "mailto:fax@example.com", "not a tel: URI"}),
    [](const auto& info) { return std::string(info.param.name); });

// The server drops control bytes when it builds the filter's options: they never reach the
// filter, which therefore cannot refuse them (the filter's own refusal is covered by its unit
// tests). Pinned here because it means such a number is dialled without the byte.
TEST_F(E2eStandardOptions, ControlBytesAreDroppedByTheServerBeforeTheFilter) {
  ASSERT_NO_FATAL_FAILURE(StartServer());
  ASSERT_NO_FATAL_FAILURE(AddFaxQueue("fax"));
  std::string error;
  const int id = server_->Submit("fax", Document(1), "t", "alice", {{"phone", "0312\x1b" "345"}}, &error);
  if (id <= 0) GTEST_SKIP() << "the server refused the value itself: " << error;
  const JobOutcome job = server_->WaitForJob("fax", id);
  EXPECT_EQ(job.state, IPP_JSTATE_COMPLETED) << job.job_message;
  EXPECT_NE(server_->ErrorLog().find("argv[5]=\"phone=0312345 "), std::string::npos);
  EXPECT_NE(Header("fax").find(RecipientLine(WindowItem("0312345"))), std::string::npos);
}

}  // namespace
}  // namespace nx::e2e
