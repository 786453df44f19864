// The cupsd.conf policy block (undo gives back every byte, whatever the file looked like) and the
// ticket values as a held job can store them, the agent's lock.
#include "nx/heldjobs/held_jobs.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "nx/heldjobs/follower.h"
#include "nx/heldjobs/server_policy.h"
#include "nx/ticket/byte_list.h"
#include "nx/ticket/keys.h"

namespace nx::heldjobs {
namespace {

TEST(FaxPolicyBlock, UndoGivesBackTheFileByteForByteAndTheFirstRecordsOfEachQueue) {
  const std::vector<std::string> files = {
      "",
      "LogLevel warn\nListen /run/cups/cups.sock\n",
      "LogLevel warn\r\n<Policy default>\r\n</Policy>\r\n",  // CRLF and a policy of the site
      "Browsing No",                                         // no newline at the end
      "\n\n# comment only\n\n",
  };
  const QueueRecord fax{"Fax", true, "default", "no-hold", "stop-printer"};
  const QueueRecord fax2{"Fax2", false, "", "", ""};
  for (const std::string& conf : files) {
    SCOPED_TRACE(conf);
    const std::string once = WithFaxPolicy(conf, {fax});
    EXPECT_NE(once.find("<Policy nxfax>"), std::string::npos);
    EXPECT_NE(once.find("JobPrivateValues all"), std::string::npos);
    // Set up again for another queue, and once more for the first: the first record of Fax stays.
    QueueRecord later = fax;
    later.op_policy = "nxfax";
    const std::string twice = WithFaxPolicy(WithFaxPolicy(once, {fax2}), {later});
    std::vector<QueueRecord> records;
    const auto back = WithoutFaxPolicy(twice, &records);
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, conf);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].queue, "Fax");
    EXPECT_TRUE(records[0].existed);
    EXPECT_EQ(records[0].op_policy, "default");
    EXPECT_EQ(records[0].hold_until, "no-hold");
    EXPECT_EQ(records[0].error_policy, "stop-printer");
    EXPECT_EQ(records[1].queue, "Fax2");
    EXPECT_FALSE(records[1].existed);
  }
  // No block, or one whose end is gone: nothing to undo, nothing changed.
  std::vector<QueueRecord> records;
  EXPECT_FALSE(WithoutFaxPolicy("LogLevel warn\n", &records));
  const std::string cut = WithFaxPolicy("LogLevel warn\n", {fax});
  EXPECT_FALSE(WithoutFaxPolicy(cut.substr(0, cut.size() - 5), &records));
  // A queue name that would break the record line is not recorded.
  EXPECT_EQ(
      WithFaxPolicy("", {{"a b\nListen 0.0.0.0:631", true, "default", "no-hold", "abort-job"}})
          .find("Listen"),
      std::string::npos);
}

TEST(TicketValuesForAHeldJob, CollectionsControlBytesAndLongItemsTakeAStorableForm) {
  const std::string item = nx::ticket::TicketKey("DFRecipientListItemKeyTicket0");
  const std::string name = nx::ticket::TicketKey("DocumentNameTicketKey");
  // An escaped item of 400 bytes of text is 1500 bytes as a byte list: too long for a text value.
  const std::string text(400, ',');
  const std::string escaped = nx::ticket::EncodeByteList(text, nx::ticket::ByteSpelling::kSigned);
  ASSERT_GT(escaped.size(), kMaxTextValue);
  OptionList ticket = {
      {item, escaped}, {name, "{Draft} report"}, {"phone", "03\t12"}, {"PageSize", "A4"}};
  std::string error;
  ASSERT_TRUE(TypeTicketValues(ticket, &error)) << error;
  EXPECT_EQ(ticket[0].second, text);
  EXPECT_EQ(nx::ticket::DecodeTicketText(ticket[1].second), "{Draft} report");
  EXPECT_EQ(ticket[1].second.front(), '/');
  EXPECT_EQ(nx::ticket::DecodeTicketText(ticket[2].second), "03\t12");
  EXPECT_EQ(ticket[3].second, "A4");

  // Too long and not printable as plain text: refused, naming the key but never the value.
  const std::string secret(1100, '\x01');
  OptionList bad = {{name, nx::ticket::EncodeByteList(secret, nx::ticket::ByteSpelling::kSigned)}};
  EXPECT_FALSE(TypeTicketValues(bad, &error));
  EXPECT_NE(error.find(name), std::string::npos);
  EXPECT_EQ(error.find("/1/1"), std::string::npos);
  OptionList plain_too_long = {{name, std::string(1024, 'a')}};
  EXPECT_FALSE(TypeTicketValues(plain_too_long, &error));
}

TEST(JobUri, GivesTheJobIdOfAJobUriOnly) {
  EXPECT_EQ(JobIdFromUri("ipp://localhost/jobs/12"), 12);
  EXPECT_EQ(JobIdFromUri("ipp://host:631/jobs/7"), 7);
  EXPECT_EQ(JobIdFromUri("ipp://localhost/printers/Fax"), 0);
  EXPECT_EQ(JobIdFromUri("ipp://localhost/jobs/"), 0);
  EXPECT_EQ(JobIdFromUri("ipp://localhost/jobs/1x"), 0);
  EXPECT_EQ(JobIdFromUri("ipp://localhost/jobs/99999999999"), 0);
}

}  // namespace
}  // namespace nx::heldjobs

namespace nx::heldjobs {
namespace {

// One agent per user: a second holder of the lock is refused until the first lets go.
TEST(UserLockTest, IsHeldByOneHolderAtATime) {
  char dir[] = "/tmp/nxlock-XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  setenv("XDG_RUNTIME_DIR", dir, 1);
  std::string error;
  {
    auto first = UserLock::Take("nxfax-agent", &error);
    ASSERT_TRUE(first) << error;
    EXPECT_FALSE(UserLock::Take("nxfax-agent", &error));
    EXPECT_NE(error.find("another agent"), std::string::npos) << error;
  }
  EXPECT_TRUE(UserLock::Take("nxfax-agent", &error)) << error;
  unsetenv("XDG_RUNTIME_DIR");
  std::remove((std::string(dir) + "/nxfax-agent.lock").c_str());
  rmdir(dir);
}

}  // namespace
}  // namespace nx::heldjobs
