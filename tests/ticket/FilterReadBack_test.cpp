// The list as the filter reads it back: every item the panels write comes out of the filter's
// ticket reader as the same text, and the fax lines carry one "@"-line per item.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "FaxSettingModule.h"
#include "FilterJob.h"
#include "TicketReader.h"
#include "nx/ticket/recipient_ticket.h"

namespace nx::ticket {
namespace {

// The job options as the print system hands them over: name="value" pairs, quoted.
std::string OptionString(const std::vector<TicketPair>& pairs) {
  std::string options;
  for (const TicketPair& p : pairs) {
    options += p.key + "=\"";
    for (const char c : p.value) {
      if (c == '"' || c == '\\' || c == '\'') options += '\\';
      options += c;
    }
    options += "\" ";
  }
  return options;
}

struct ReadBack {
  std::int32_t count = 0;
  std::string paper;
  std::vector<std::string> items;
  std::string tail;  // the fax lines after the command table
};

std::string StreamContents(std::FILE* f) {
  std::fflush(f);
  std::rewind(f);
  std::string text;
  char buf[4096];
  for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) text.append(buf, n);
  return text;
}

// Runs the filter's fax reader and fax lines over `pairs` for a queue that is not generation 2.
ReadBack ReadWithFilter(const std::vector<TicketPair>& pairs) {
  const std::optional<std::string> oldPpd =
      std::getenv("PPD") ? std::optional<std::string>(std::getenv("PPD")) : std::nullopt;
  unsetenv("PPD");
  // Send header off: the command table then ends with a known row.
  const std::string options =
      OptionString(pairs) + filter::kTicketKeyPrefix + std::string("DFaxSendHeaderTicket=0");
  auto job = std::make_unique<filter::FilterJob>();
  job->options = filter::TicketOptions(options.c_str());
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> err(std::tmpfile(), std::fclose);
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> out(std::tmpfile(), std::fclose);
  ReadBack r;
  EXPECT_EQ(filter::DFaxSettingGetTicketFromPDE(*job, 0, err.get()), 1);
  r.count = job->faxSetting.recipientListCount;
  r.paper = job->faxSetting.recipientPaperSize;
  for (const auto& slot : job->faxRecipientItems) r.items.emplace_back(slot.data());
  filter::InjectTPIFCommandFaxSetting(*job, out.get());
  const std::string lines = StreamContents(out.get());
  // The command table ends with the send header row; recipient lines follow it.
  const std::size_t header = lines.find("@TXHE=OFF\"\r\n");
  r.tail = header == std::string::npos ? lines : lines.substr(header + 12);
  if (oldPpd) setenv("PPD", oldPpd->c_str(), 1);
  return r;
}

std::string RecipientLine(const std::string& item) { return "@PJL SET JOBATTR=\"@" + item + "\"\r\n"; }

TEST(FilterReadBack, EveryKindOfItemComesBackUnchanged) {
  std::vector<RecipientFields> list;
  RecipientFields r;
  r.address = "0312345678";
  r.name = "Abc";
  list.push_back(r);  // typed in
  RecipientFields speed = r;
  speed.recodeType = 1;
  speed.address = "012";
  list.push_back(speed);
  RecipientFields ip = r;
  ip.recodeType = 2;
  ip.addressType = 4;
  ip.address = "fax@host.example";
  ip.name = "山田 太郎, 営業部";
  list.push_back(ip);
  RecipientFields secure = r;
  secure.secureOrRelay = 1;
  secure.mailBoxId = "7";
  secure.mailBoxPassword = "4711";
  secure.fCode = "99";
  secure.fCodePassword = "pass/word";
  list.push_back(secure);
  RecipientFields relay = r;
  relay.secureOrRelay = 2;
  relay.rlyId = "12";
  relay.rlyPrn = 1;
  relay.rlyDestList = {"005", "0#3"};
  relay.lineType = 1;
  list.push_back(relay);
  RecipientFields unknown = r;
  unknown.secureOrRelay = 3;
  list.push_back(unknown);
  RecipientFields escaped = r;
  escaped.address = "03,1\\2";
  list.push_back(escaped);

  const LineSettings line{"9", "5", true};
  std::vector<TicketPair> pairs;
  ASSERT_TRUE(BuildRecipientListTicket(list, line, "Tabloid", &pairs));
  const ReadBack back = ReadWithFilter(pairs);
  EXPECT_EQ(back.count, 7);
  EXPECT_EQ(back.paper, "LEDGER");
  ASSERT_EQ(back.items.size(), list.size());
  std::string expectedTail;
  for (std::size_t i = 0; i < list.size(); ++i) {
    std::string item;
    ASSERT_TRUE(BuildRecipientItem(list[i], line, &item));
    EXPECT_EQ(back.items[i], item) << "item " << i;
    expectedTail += RecipientLine(item);
    // Passwords never travel in clear.
    EXPECT_EQ(pairs[i + 2].value.find("4711"), std::string::npos);
    EXPECT_EQ(pairs[i + 2].value.find("pass/word"), std::string::npos);
    EXPECT_EQ(back.items[i].find("pass/word"), std::string::npos);
  }
  EXPECT_EQ(back.items[1], "FAEN='012'{}comment");
  EXPECT_EQ(back.items[5], "");
  expectedTail += "@PJL SET JOBATTR=\"@IEXT=STANDARD\"\r\n";
  EXPECT_EQ(back.tail, expectedTail);
}

TEST(FilterReadBack, HundredAndFiftyRecipientsOnA4) {
  RecipientFields r;
  r.address = "0312345678";
  r.name = "Abc";
  std::vector<RecipientFields> list(150, r);
  std::vector<TicketPair> pairs;
  ASSERT_TRUE(BuildRecipientListTicket(list, LineSettings{"9", "", false}, "A4", &pairs));
  const ReadBack back = ReadWithFilter(pairs);
  EXPECT_EQ(back.count, 150);
  EXPECT_EQ(back.paper, "A4");
  ASSERT_EQ(back.items.size(), 150u);
  std::string expectedTail;
  for (const std::string& item : back.items) {
    EXPECT_EQ(item, "FAEN=90312345678{20}{30}{7QWJj}{}comment");
    expectedTail += RecipientLine(item);
  }
  EXPECT_EQ(back.tail, expectedTail + "@PJL SET JOBATTR=\"@IEXT=STANDARD\"\r\n");
}

}  // namespace
}  // namespace nx::ticket
