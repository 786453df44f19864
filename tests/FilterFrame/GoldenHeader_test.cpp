// The worked examples of the job header, byte for byte: accounting in user mode with a secure
// print job, and a direct fax job to two recipients. Names, host and address are fixed job
// state; passwords are the panels' protected texts, sent as they are without a PPD.
#include <gtest/gtest.h>

#include <string>

#include "../support/fax_job_lines.h"
#include "TableTestSupport.h"
#include "TpjlTables.h"

namespace nx::filter {
namespace {

using test::CapturedStream;
using test::ScopedEnv;
using test::TestArgs;
using test::Visible;

// The protected forms the panels write (scrambled and base64); not re-encrypted without a PPD.
constexpr char kSecurePassword[] = "Kx8qLR0=";
constexpr char kUserPassword[] = "ERkVAw==";

TEST(GoldenHeader, AccountingUserModeWithSecurePrint) {
  ScopedEnv noPpd("PPD", std::nullopt);
  auto job = test::FreshJob();
  const TestArgs args(test::OptionString({{"PrintTypeTicketKey", "2"},
                                          {"PrintTypeUserNameTicketKey", "U1"},
                                          {"PrintTypePasswordTicketKey", kSecurePassword},
                                          {"DocumentNameTypeTicketKey", "1"},
                                          {"PrintTypeProductTypeTicketKey", "2"},
                                          {"JBAManageTypeListTicketKey", "2"},
                                          {"JBAUserSettingRadioBtnTicket", "1"},
                                          {"JBAUserIDListCtrlTicket", "2"},
                                          {"JBAUserIDTextEditTicket", "ABC"},
                                          {"JBAUserPasswordTextEditTicket", kUserPassword}}));
  ASSERT_EQ(test::ReadTicket(args.Into(*job)), 1);
  // Title "Report" within product type 2's 12 bytes; host mac1 at 192.168.1.10.
  test::SetNames(*job, {.user = "alice", .jbaUser = "alice", .document = "Report"});

  std::string lines;
  for (CommandTable table : {PrintTypeCommandTable(), JBAAdminCommandTable(), JBACommandTable(),
                             FeaturesCommandTable()}) {
    lines += test::TableLines(*job, table);
  }
  const std::string expected =
      "@PJL SET HOLD=STORE\n"
      "@PJL SET HOLDTYPE=PRIVATE\n"
      "@PJL SET USERNAME=\"U1\"\r\n"
      "@PJL SET HOLDENCRYPTKEY=\"Kx8qLR0=\"\r\n"
      "@PJL SET JOBNAME=\"Report\"\r\n"
      "@PJL SET JOBATTR=\"@CNAM=mac1\"\n"
      "@PJL SET JOBATTR=\"@LUNA=alice\"\n"
      "@PJL SET JOBATTR=\"@HOAD=IC0A8010A\"\n"
      "@PJL SET JOBATTR=\"@NLPP=1\"\n"
      "@PJL SET JOBATTR=\"@JOAU=ABC\"\r\n"
      "@PJL SET JOBATTR=\"@JOEP=ERkVAw==\"\r\n"
      "@PJL SET JOBATTR=\"@DAID=\"\r\n";
  EXPECT_EQ(Visible(lines), Visible(expected));
  EXPECT_EQ(lines, expected);
}

TEST(GoldenHeader, DirectFaxToTwoRecipients) {
  ScopedEnv noPpd("PPD", std::nullopt);
  auto job = test::FreshJob();
  const TestArgs args(test::OptionString(
      {{"DeviceOptionFaxModuleTypePopupListTicket", "2"},
       {"DeviceOptionOutsideExtensionKitPopupListTicket", "0"},
       {"DFFaxResolutionPopupListTicket", "2"},
       {"DFTransmissionReportPopupListTicket", "2"},
       {"DFaxSendHeaderTicket", "1"},
       {"DFRecipientPaperSizeTicket", "A4"},
       {"DFRecipientListCountTicket", "2"},
       {"DFRecipientListItemKeyTicket0", "FAEN=90312345678{20}{30}{7QWJj}{}comment"},
       // The speed dial item, escaped by the recipient window (signed byte list).
       {"DFRecipientListItemKeyTicket1",
        "/70/65/69/78/61/39/48/48/49/50/39/123/125/99/111/109/"
        "109/101/110/116"}}));
  ASSERT_EQ(test::ReadTicket(args.Into(*job)), 1);
  ASSERT_FALSE(ShouldCancelJobAndShowError(*job));
  test::SetNames(*job, {});

  CapturedStream out;
  OutputTPJLCommand(args.Into(*job), out.get());
  const std::string pdf = "%PDF-1.7\n...\n%%EOF\n";  // the document step's part
  std::fwrite(pdf.data(), 1, pdf.size(), out.get());
  job->out = out.get();
  OutputTPJLTrailer(*job);

  const std::string expected = nx::testing::ExampleFaxHeaderFromMac1() +
                               "%PDF-1.7\n...\n%%EOF\n"
                               "\x1b%-12345X@PJL EOJ\n";
  EXPECT_EQ(Visible(out.Contents()), Visible(expected));
  EXPECT_EQ(out.Contents(), expected);
}

}  // namespace
}  // namespace nx::filter
