// The largest recipient lists through the print server: 200 items of the longest forms the
// recipient ticket has (a 128-character IP fax address, a 100-character number behind the
// outside line prefix, 20 relay destinations, secure send, F-code and password, the longest
// name; the escaped speed dial form), checked item by item on the device.
#include <gtest/gtest.h>

#include <iostream>
#include <string>
#include <vector>

#include "E2eFixture.h"

namespace nx::e2e {
namespace {

std::string Pad(int value, std::size_t width) {
  std::string s = std::to_string(value);
  return std::string(width > s.size() ? width - s.size() : 0, '0') + s;
}

// A text of exactly `length` characters that starts with `head` and repeats `fill`.
std::string Filled(const std::string& head, const std::string& fill, std::size_t length) {
  std::string s = head;
  while (s.size() < length) s += fill;
  return s.substr(0, length);
}

// The relay field with 20 destinations (the most the window takes).
std::string RelayField(int item) {
  std::string f = "{1" + Pad(item % 99 + 1, 4) + "1";
  for (int d = 0; d < 20; ++d) f += Pad(0, 1) + (d % 2 ? "0#" + std::to_string(d % 9 + 1) : Pad(d * 5 + 1, 3));
  return f + "}";
}

// F-code, F-code password (20 bytes scrambled and base64: 28 characters) and a name of 36
// Shift-JIS bytes (48 base64 characters).
std::string TailFields(int item) {
  return "{5" + Filled(std::to_string(item), "#*0123456789 ", 20) + "}" + "{6" +
         Filled("Zm9v" + std::to_string(item), "QUJDREVGR0hJSktMTU5P", 28) + "}" + "{7" +
         Filled("gqKCpIKm" + std::to_string(item), "gqiCqoKsgq6CsA", 48) + "}" + "{}comment";
}

// Item i of the list, as the recipient window builds it.
std::string LongestItem(int i) {
  switch (i % 4) {
    case 0:  // IP fax, 128-character address, relay send
      return "SFEN=" + Filled("sip:" + Pad(i, 3) + "\\fax,", "a1b2'c3.d4,e5\\f6", 128) + RelayField(i) +
             "{22}{30}" + TailFields(i);
    case 1:  // fax number of 100 characters with pauses, outside line prefix, relay send
      return "FAEN=" + std::string("9,,#*") + Filled(Pad(i, 3) + ",", "0312345678,", 100) + RelayField(i) +
             "{20}{30}" + TailFields(i);
    case 2:  // extension line, G4, secure send to a mailbox with its passcode
      return "FAEN=" + std::string("*#12,") + Filled(Pad(i, 3) + "-", "98765-43210,", 100) + "{21}{34}" +
             "{4" + Pad(i % 999 + 1, 4) + "cTI0eA==" + "}" + TailFields(i);
    default:  // speed dial: always stored escaped
      return "FAEN='" + Pad(i, 4) + "'{}comment";
  }
}

OptionList LongestTicket(int count) {
  OptionList t = {{TicketKey("DeviceOptionFaxModuleTypePopupListTicket"), "4"},
                  {TicketKey("DFRecipientListCountTicket"), std::to_string(count)},
                  {TicketKey("DFRecipientPaperSizeTicket"), "LEDGER"}};
  for (int i = 0; i < count; ++i) {
    t.emplace_back(TicketKey("DFRecipientListItemKeyTicket" + std::to_string(i)), EscapeTicketText(LongestItem(i)));
  }
  return t;
}

std::vector<std::string> RecipientLines(const std::string& header) {
  std::vector<std::string> lines;
  for (const std::string& line : HeaderLines(header)) {
    if (line.rfind("@PJL SET JOBATTR=\"@FAEN=", 0) == 0 || line.rfind("@PJL SET JOBATTR=\"@SFEN=", 0) == 0) {
      lines.push_back(line);
    }
  }
  return lines;
}

TEST(E2eLongestItems, HaveTheFormsTheirWriterCanProduce) {
  // Every value fits the writer's 2047 bytes, also escaped; the items are the longest forms.
  std::size_t longest = 0, longest_escaped = 0;
  for (int i = 0; i < 200; ++i) {
    const std::string item = LongestItem(i);
    longest = std::max(longest, item.size());
    longest_escaped = std::max(longest_escaped, EscapeTicketText(item).size());
    EXPECT_LE(EscapeTicketText(item).size(), 2047u);
    EXPECT_NE(EscapeTicketText(item), item) << "item " << i << " is not in the escaped form";
  }
  EXPECT_EQ(LongestItem(0).size(), 5u + 128 + 88 + 8 + 23 + 31 + 51 + 9);
  std::cout << "longest item " << longest << " bytes, escaped " << longest_escaped << " bytes\n";
}

using E2eRecipients = E2eTest;

TEST_F(E2eRecipients, TwoHundredLongestItemsArriveIntactAndInOrder) {
  ASSERT_NO_FATAL_FAILURE(StartServer());
  ASSERT_NO_FATAL_FAILURE(AddFaxQueue("fax"));
  const OptionList ticket = LongestTicket(200);
  // As the panels write it, the ticket is more than the server can hand to a filter.
  OptionList fitted = ticket;
  std::string error;
  ASSERT_TRUE(FitTicketToServer(fitted, &error)) << error;
  EXPECT_GT(ServerOptionLength(ticket), kServerOptionBudget);
  std::cout << "200 longest items: " << ServerOptionLength(ticket) << " bytes of job options as written, "
            << ServerOptionLength(fitted) << " bytes as sent\n";

  const JobOutcome job = RunJob("fax", Document(1), ticket);
  EXPECT_EQ(job.state, IPP_JSTATE_COMPLETED) << job.job_message;
  const DeviceStream stream = SplitDeviceStream(server_->DeviceOutput("fax"));
  ASSERT_TRUE(stream.ok) << stream.problem;
  const std::vector<std::string> lines = RecipientLines(stream.header);
  ASSERT_EQ(lines.size(), 200u);
  for (int i = 0; i < 200; ++i) {
    ASSERT_EQ(Visible(lines[static_cast<std::size_t>(i)]),
              Visible("@PJL SET JOBATTR=\"@" + LongestItem(i) + "\"\r\n"))
        << "item " << i;
  }
  // The closing line follows the last item.
  const std::string last = "@PJL SET JOBATTR=\"@" + LongestItem(199) + "\"\r\n";
  EXPECT_NE(stream.header.find(last + "@PJL SET JOBATTR=\"@IEXT=STANDARD\"\r\n"), std::string::npos);
  EXPECT_NE(stream.header.find("@PJL SET PAPER=LEDGER\r\n"), std::string::npos);
}

// Where the limit is: with the ticket as the panels write it, the server cannot even start the
// job's first filter (the kernel refuses an argument of 128 KiB), and nothing is sent.
TEST_F(E2eRecipients, AnOversizedTicketStopsTheJobBeforeAnyFilter) {
  ASSERT_NO_FATAL_FAILURE(StartServer());
  ASSERT_NO_FATAL_FAILURE(AddFaxQueue("fax"));
  const OptionList ticket = LongestTicket(200);
  ASSERT_GT(ServerOptionLength(ticket), 131072u);
  std::string error;
  const int id = server_->Submit("fax", Document(1), "Quarterly report", "alice", ticket, &error);
  ASSERT_GT(id, 0) << error;
  const JobOutcome job = server_->WaitForJob("fax", id, std::chrono::seconds(30));
  EXPECT_NE(job.state, IPP_JSTATE_COMPLETED);
  EXPECT_EQ(server_->DeviceOutput("fax"), "");
  EXPECT_NE(server_->ErrorLog().find("Argument list too long"), std::string::npos);
}

}  // namespace
}  // namespace nx::e2e
