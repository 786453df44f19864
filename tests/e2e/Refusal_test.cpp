// Jobs the filter refuses: nothing reaches the device, the job does not complete, the user sees
// why, and the queue goes on with the next job.
#include <gtest/gtest.h>

#include <string>

#include "E2eFixture.h"

namespace nx::e2e {
namespace {

// The filter's reason is the job's message, unless the server's own "Filter failed" replaced it
// (it reads the filter's last lines and its exit in either order); the job's log keeps it then.
bool ShowsMessage(const JobOutcome& job, const std::string& text, const std::string& log) {
  if (job.job_message.find(text) != std::string::npos || job.printer_message.find(text) != std::string::npos)
    return true;
  const std::string tag = "[Job " + std::to_string(job.id) + "] ";
  for (size_t at = log.find(tag); at != std::string::npos; at = log.find(tag, at + 1)) {
    const size_t end = log.find('\n', at);
    if (log.substr(at, end == std::string::npos ? std::string::npos : end - at).find(text) != std::string::npos)
      return true;
  }
  return false;
}

OptionList OneRecipient(const std::string& item) {
  return {{TicketKey("DFRecipientListCountTicket"), "1"},
          {TicketKey("DFRecipientPaperSizeTicket"), "A4"},
          {TicketKey("DFRecipientListItemKeyTicket0"), EscapeTicketText(item)}};
}

struct RefusalCase {
  const char* name;
  const char* generation;  // the queue's NXPlatformGeneration
  const char* count;       // the recipient count, nullptr: absent
  const char* item;        // recipient item 0
  const char* message;     // empty: the job is not refused
};
void PrintTo(const RefusalCase& c, std::ostream* os) { *os << c.name; }

OptionList TicketOf(const RefusalCase& c) {
  OptionList ticket = {{TicketKey("DFRecipientPaperSizeTicket"), "A4"},
                       {TicketKey("DFRecipientListItemKeyTicket0"), EscapeTicketText(c.item)}};
  if (c.count) ticket.emplace_back(TicketKey("DFRecipientListCountTicket"), c.count);
  return ticket;
}

class E2eRefusal : public E2eTest, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(E2eRefusal, RefusedJobsSendNothingAndSayWhy) {
  const RefusalCase& c = GetParam();
  ASSERT_NO_FATAL_FAILURE(StartServer());
  ASSERT_NO_FATAL_FAILURE(AddFaxQueue("fax", {{"NXPlatformGeneration", c.generation}}));
  const JobOutcome job = RunJob("fax", Document(1), TicketOf(c));
  const std::string refused = c.message;
  if (refused.empty()) {
    EXPECT_EQ(job.state, IPP_JSTATE_COMPLETED) << job.job_message;
    const DeviceStream stream = SplitDeviceStream(server_->DeviceOutput("fax"));
    ASSERT_TRUE(stream.ok) << stream.problem;
    EXPECT_NE(stream.header.find(std::string("@PJL SET JOBATTR=\"@") + c.item + "\"\r\n"), std::string::npos)
        << Visible(stream.header);
    return;
  }
  EXPECT_TRUE(job.state == IPP_JSTATE_STOPPED || job.state == IPP_JSTATE_ABORTED) << job.state;
  EXPECT_TRUE(ShowsMessage(job, refused, server_->ErrorLog())) << "job: " << job.job_message << "\nprinter: " << job.printer_message;
  EXPECT_EQ(server_->DeviceOutput("fax"), "") << "the device received data";

  // A refused fax does not hold up the queue: the next job is sent.
  const JobOutcome next = RunJob("fax", Document(1), OneRecipient("FAEN=0399999999{20}{30}{}comment"));
  EXPECT_EQ(next.state, IPP_JSTATE_COMPLETED) << next.job_message;
  const DeviceStream stream = SplitDeviceStream(server_->DeviceOutput("fax"));
  ASSERT_TRUE(stream.ok) << stream.problem;
  EXPECT_NE(stream.header.find("@FAEN=0399999999{20}{30}{}comment"), std::string::npos);
}

const char kNoNumber[] = "Please enter a fax number.";
const char kUnavailable[] = "A specified feature is unavailable for the current device.";
const char kSecondMissing[] = "Fax recipient 2 of 2 is missing from the job.";
const char kRelayItem[] = "FAEN=0312345678{100121000500#3}{20}{30}{}comment";
const char kSpeedDialItem[] = "FAEN='0012'{}comment";
const char kPlainItem[] = "FAEN=0312345678{20}{30}{}comment";

INSTANTIATE_TEST_SUITE_P(
    Cases, E2eRefusal,
    ::testing::Values(RefusalCase{"NoRecipientCount", "1", nullptr, kPlainItem, kNoNumber},
                      RefusalCase{"RecipientCountZero", "1", "0", kPlainItem, kNoNumber},
                      RefusalCase{"CountAboveTheItems", "1", "2", kPlainItem, kSecondMissing},
                      RefusalCase{"RelayOnGeneration2", "2", "1", kRelayItem, kUnavailable},
                      RefusalCase{"SpeedDialOnGeneration2", "2", "1", kSpeedDialItem, kUnavailable},
                      RefusalCase{"RelayOnGeneration1", "1", "1", kRelayItem, ""},
                      RefusalCase{"SpeedDialOnGeneration1", "1", "1", kSpeedDialItem, ""},
                      RefusalCase{"PlainNumberOnGeneration2", "2", "1", kPlainItem, ""}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace nx::e2e
