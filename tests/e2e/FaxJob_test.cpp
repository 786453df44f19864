// A fax job from a PDF through the print system: pdftopdf and gstoraster render the pages with
// the queue's PPD, jobfilter writes the device stream, the file: device keeps it.
#include <gtest/gtest.h>

#include <string>

#include "../support/fax_job_lines.h"
#include "E2eFixture.h"

namespace nx::e2e {
namespace {

// Fax settings of the job: fax kit (2), no outside extension kit, fine resolution, transmission
// report on error, send header on, A4, two recipients (a typed-in number and a speed dial).
OptionList ExampleFaxTicket() {
  return {
      {TicketKey("DeviceOptionFaxModuleTypePopupListTicket"), "2"},
      {TicketKey("DeviceOptionOutsideExtensionKitPopupListTicket"), "0"},
      {TicketKey("DFFaxResolutionPopupListTicket"), "2"},
      {TicketKey("DFTransmissionReportPopupListTicket"), "2"},
      {TicketKey("DFaxSendHeaderTicket"), "1"},
      {TicketKey("DFRecipientListCountTicket"), "2"},
      {TicketKey("DFRecipientPaperSizeTicket"), "A4"},
      {TicketKey("DFRecipientListItemKeyTicket0"), EscapeTicketText("FAEN=90312345678{20}{30}{7QWJj}{}comment")},
      {TicketKey("DFRecipientListItemKeyTicket1"), EscapeTicketText("FAEN='0012'{}comment")},
      // The panel marks the PPD choice too, which sets the rendering resolution.
      {"NXFaxResolution", "Fine"},
  };
}

// The fax module's lines for ExampleFaxTicket, recipients and closing line included.
using nx::testing::ExampleFaxLines;

using E2eFaxJob = E2eTest;

TEST_F(E2eFaxJob, TwoRecipientsFineReportOnErrorAndSendHeader) {
  ASSERT_NO_FATAL_FAILURE(StartServer());
  ASSERT_NO_FATAL_FAILURE(AddFaxQueue("fax"));
  const JobOutcome job = RunJob("fax", Document(3), ExampleFaxTicket());
  EXPECT_EQ(job.state, IPP_JSTATE_COMPLETED) << job.job_message;

  const std::string bytes = server_->DeviceOutput("fax");
  ASSERT_EQ(bytes.rfind(std::string(kUel) + "@PJL JOB MODE=DIRECTFAX\r\n", 0), 0u) << Visible(bytes.substr(0, 200));
  const DeviceStream stream = SplitDeviceStream(bytes);
  ASSERT_TRUE(stream.ok) << stream.problem;

  std::string header = stream.header;
  EXPECT_TRUE(TakeAddressLine(header)) << Visible(stream.header);
  const std::string expected = std::string(kUel) + "@PJL JOB MODE=DIRECTFAX\r\n" + IdentityLines("alice") +
                               kNlppLine + ExampleFaxLines() + kEnterPdf;
  EXPECT_EQ(Visible(header), Visible(expected));

  // One PDF page per document page, each one 8-bit gray image of the whole A4 sheet at 200 dpi.
  const PdfReport pdf = ExaminePdf(stream.pdf, work_.path() + "/fax.pdf");
  EXPECT_TRUE(pdf.check_passed) << pdf.check_output;
  EXPECT_EQ(pdf.pages, 3);
  ASSERT_EQ(pdf.page_sizes.size(), 3u);
  for (std::size_t i = 0; i < pdf.page_sizes.size(); ++i) {
    SCOPED_TRACE("page " + std::to_string(i + 1));
    EXPECT_NEAR(pdf.page_sizes[i].first, 595, 1);
    EXPECT_NEAR(pdf.page_sizes[i].second, 842, 1);
    ASSERT_EQ(pdf.images[i].size(), 1u);
    const PdfImage& im = pdf.images[i][0];
    EXPECT_EQ(im.width, 1653);
    EXPECT_EQ(im.height, 2339);
    EXPECT_EQ(im.bits, 8);
    EXPECT_EQ(im.color_space, "/DeviceGray");
    EXPECT_EQ(im.decode, (std::vector<double>{1.0, 0.0}));
  }

  // The pages look like the document, in its order: black where it is black, white elsewhere.
  constexpr int kDpi = 36;
  for (int page = 0; page < 3; ++page) {
    SCOPED_TRACE("page " + std::to_string(page + 1));
    GrayPage g;
    ASSERT_TRUE(RenderPage(work_.path() + "/fax.pdf", page + 1, kDpi, work_.path() + "/p", &g));
    for (int mark = 0; mark < 3; ++mark) {
      const Mark m = MarkPosition(mark);
      const double mean = g.Mean(m.x_pt + 8, m.y_pt + 8, kMarkSize - 16, kMarkSize - 16, kDpi);
      if (mark == page) {
        EXPECT_LT(mean, 40) << "the page's own mark is not black";
      } else {
        EXPECT_GT(mean, 215) << "mark " << mark + 1 << " shows on this page";
      }
    }
    EXPECT_GT(g.Mean(300, 500, 250, 300, kDpi), 215) << "the blank part of the page is not white";
  }
  EXPECT_EQ(stream.trailer, kTrailer);

  // Page accounting reached the server: the job's entry counts three pages.
  const std::string page_log = ReadFile(server_->root() + "/log/page_log");
  const std::string entry = "fax alice " + std::to_string(job.id) + " [";
  const std::size_t at = page_log.find(entry);
  ASSERT_NE(at, std::string::npos) << page_log;
  const std::string line = page_log.substr(at, page_log.find('\n', at) - at);
  EXPECT_NE(line.find("] total 3 "), std::string::npos) << line;
}

// The accounting line carries the pages per sheet the job asked for.
TEST_F(E2eFaxJob, PagesPerSheetFollowTheJob) {
  ASSERT_NO_FATAL_FAILURE(StartServer());
  ASSERT_NO_FATAL_FAILURE(AddFaxQueue("fax"));
  OptionList ticket = ExampleFaxTicket();
  ticket.emplace_back("number-up", "2");
  const JobOutcome job = RunJob("fax", Document(2), ticket);
  EXPECT_EQ(job.state, IPP_JSTATE_COMPLETED) << job.job_message;
  const DeviceStream stream = SplitDeviceStream(server_->DeviceOutput("fax"));
  ASSERT_TRUE(stream.ok) << stream.problem;
  EXPECT_NE(stream.header.find("@PJL SET JOBATTR=\"@NLPP=N2\"\n"), std::string::npos) << Visible(stream.header);
  // pdftopdf puts two document pages on each sheet.
  const PdfReport pdf = ExaminePdf(stream.pdf, work_.path() + "/fax.pdf");
  EXPECT_TRUE(pdf.check_passed) << pdf.check_output;
  EXPECT_EQ(pdf.pages, 1);
}

// The client library sends an option starting with "{" as a collection, which the server drops:
// the entered document name of a sample print only arrives in the byte-list form.
TEST_F(E2eFaxJob, TextsStartingWithABraceArrive) {
  ASSERT_NO_FATAL_FAILURE(StartServer());
  ASSERT_NO_FATAL_FAILURE(AddFaxQueue("fax"));
  OptionList ticket = ExampleFaxTicket();
  ticket.emplace_back(TicketKey("PrintTypeTicketKey"), "3");
  ticket.emplace_back(TicketKey("PrintTypeUserNameTicketKey"), "U1");
  ticket.emplace_back(TicketKey("DocumentNameTypeTicketKey"), "2");
  ticket.emplace_back(TicketKey("DocumentNameTicketKey"), "{Draft} report");
  const std::string lines = "@PJL SET HOLD=PROOF\n@PJL SET USERNAME=\"U1\"\r\n";
  const std::string job_name = "@PJL SET JOBNAME=\"{Draft} report\"\r\n";

  EXPECT_EQ(RunJobAsIs("fax", Document(1), ticket).state, IPP_JSTATE_COMPLETED);
  DeviceStream stream = SplitDeviceStream(server_->DeviceOutput("fax"));
  ASSERT_TRUE(stream.ok) << stream.problem;
  EXPECT_NE(stream.header.find(lines), std::string::npos) << Visible(stream.header);
  EXPECT_EQ(stream.header.find("JOBNAME"), std::string::npos) << "the plain value is expected to vanish";

  EXPECT_EQ(RunJob("fax", Document(1), ticket).state, IPP_JSTATE_COMPLETED);
  // The second job is the last one in the device file.
  const std::string device = server_->DeviceOutput("fax");
  const std::size_t second = device.rfind(std::string(kUel) + "@PJL JOB");
  ASSERT_NE(second, std::string::npos);
  stream = SplitDeviceStream(device.substr(second));
  ASSERT_TRUE(stream.ok) << stream.problem;
  EXPECT_NE(stream.header.find(lines + job_name), std::string::npos) << Visible(stream.header);
}

// A banner page is a document of its own for the filter, which drops it: the device gets one
// fax job with the document's pages only.
TEST_F(E2eFaxJob, BannerPagesAreNotSent) {
  ASSERT_NO_FATAL_FAILURE(StartServer());
  ASSERT_NO_FATAL_FAILURE(AddFaxQueue("fax"));
  OptionList ticket = ExampleFaxTicket();
  ticket.emplace_back("job-sheets", "standard,standard");
  const JobOutcome job = RunJob("fax", Document(2), ticket);
  EXPECT_EQ(job.state, IPP_JSTATE_COMPLETED) << job.job_message;

  const std::string bytes = server_->DeviceOutput("fax");
  const std::string job_line = std::string(kUel) + "@PJL JOB MODE=DIRECTFAX";
  EXPECT_EQ(bytes.find(job_line), 0u);
  EXPECT_EQ(bytes.find(job_line, 1), std::string::npos) << "more than one job in the device stream";
  const DeviceStream stream = SplitDeviceStream(bytes);
  ASSERT_TRUE(stream.ok) << stream.problem;
  const PdfReport pdf = ExaminePdf(stream.pdf, work_.path() + "/fax.pdf");
  EXPECT_TRUE(pdf.check_passed) << pdf.check_output;
  EXPECT_EQ(pdf.pages, 2);
  // Both banners did reach the filter as job sheets.
  const std::string log = server_->ErrorLog();
  std::size_t sheets = 0;
  for (std::size_t at = log.find("the file type being printed is:job-sheet"); at != std::string::npos;
       at = log.find("the file type being printed is:job-sheet", at + 1)) {
    ++sheets;
  }
  EXPECT_EQ(sheets, 2u);
}

}  // namespace
}  // namespace nx::e2e
