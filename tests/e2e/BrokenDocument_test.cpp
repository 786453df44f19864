// Jobs whose document the filter cannot make in full: the job does not complete, it shows the
// filter's reason, the device gets nothing, and the queue sends the next fax.
#include <cups/raster.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "E2eFixture.h"

namespace nx::e2e {
namespace {

// A raster stream of 8-bit gray pages, or 24-bit colour ones where `colour` says so.
bool WriteRaster(const std::string& path, const std::vector<bool>& colour) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) return false;
  cups_raster_t* raster = cupsRasterOpen(fd, CUPS_RASTER_WRITE);
  bool ok = raster != nullptr;
  for (const bool rgb : colour) {
    if (!ok) break;
    cups_page_header2_t h{};
    h.HWResolution[0] = h.HWResolution[1] = 72;
    h.PageSize[0] = 595;
    h.PageSize[1] = 842;
    h.NumCopies = 1;
    h.cupsWidth = 200;
    h.cupsHeight = 100;
    h.cupsBitsPerColor = 8;
    h.cupsBitsPerPixel = rgb ? 24 : 8;
    h.cupsBytesPerLine = rgb ? 600 : 200;
    h.cupsColorOrder = CUPS_ORDER_CHUNKED;
    h.cupsColorSpace = rgb ? CUPS_CSPACE_RGB : CUPS_CSPACE_K;
    h.cupsNumColors = rgb ? 3 : 1;
    ok = cupsRasterWriteHeader2(raster, &h) != 0;
    const std::vector<unsigned char> line(h.cupsBytesPerLine, 0x40);
    for (unsigned y = 0; ok && y < h.cupsHeight; ++y) {
      ok = cupsRasterWritePixels(raster, const_cast<unsigned char*>(line.data()), h.cupsBytesPerLine) ==
           h.cupsBytesPerLine;
    }
  }
  if (raster) cupsRasterClose(raster);
  ::close(fd);
  return ok;
}

OptionList OneRecipient() {
  return {{TicketKey("DFRecipientListCountTicket"), "1"},
          {TicketKey("DFRecipientPaperSizeTicket"), "A4"},
          {TicketKey("DFRecipientListItemKeyTicket0"), EscapeTicketText("FAEN=0312345678{20}{30}{}comment")}};
}

class E2eBrokenDocument : public E2eTest {};

TEST_F(E2eBrokenDocument, FailsWithItsReasonAndTheQueueSendsTheNextFax) {
  ASSERT_NO_FATAL_FAILURE(StartServer());
  ASSERT_NO_FATAL_FAILURE(AddFaxQueue("fax"));
  struct Case {
    const char* name;
    std::vector<bool> colour;
    bool cut;
    const char* reason;
  };
  for (const Case& c : {Case{"colour page", {false, true, false}, false, "Page 1 cannot be sent"},
                        Case{"cut short", {false, false}, true, "Page 1 is incomplete"}}) {
    SCOPED_TRACE(c.name);
    const std::string raster = work_.path() + "/broken.ras";
    ASSERT_TRUE(WriteRaster(raster, c.colour));
    if (c.cut) {
      ASSERT_EQ(::truncate(raster.c_str(), static_cast<off_t>(ReadFile(raster).size() - 5000)), 0);
    }
    const JobOutcome broken = RunJob("fax", raster, OneRecipient());
    // CUPS 2.4 stops a job whose filter failed whatever the error policy ("Job stopped due to
    // filter errors"); the abort-job policy aborts it where the server applies the policy.
    EXPECT_TRUE(broken.state == IPP_JSTATE_ABORTED || broken.state == IPP_JSTATE_STOPPED) << broken.state;
    const std::string log = server_->ErrorLog();
    EXPECT_TRUE(broken.job_message.find(c.reason) != std::string::npos ||
                log.find("[Job " + std::to_string(broken.id) + "] " + c.reason) != std::string::npos)
        << "job: " << broken.job_message;
    EXPECT_EQ(server_->DeviceOutput("fax"), "") << "the device received data";
    EXPECT_NE(broken.printer_state, IPP_PSTATE_STOPPED) << broken.printer_message;

    const JobOutcome next = RunJob("fax", Document(1), OneRecipient());
    EXPECT_EQ(next.state, IPP_JSTATE_COMPLETED) << next.job_message;
    const DeviceStream stream = SplitDeviceStream(server_->DeviceOutput("fax"));
    ASSERT_TRUE(stream.ok) << stream.problem;
    ASSERT_EQ(::truncate(server_->DeviceFile("fax").c_str(), 0), 0);
  }
}

}  // namespace
}  // namespace nx::e2e
