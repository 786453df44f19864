// The ticket as job options: the panels' escaping, its inverse, and fitting a ticket into what
// the print server can hand to its filters.
#include "pdehost/JobTicket.h"

#include <cups/cups.h>

#include "pdehost/JobOptions.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

namespace pdehost {
namespace {

struct EscapeCase {
  std::string text, stored;
};
void PrintTo(const EscapeCase& c, std::ostream* os) { *os << c.stored; }

class JobTicketEscape : public ::testing::TestWithParam<EscapeCase> {};

TEST_P(JobTicketEscape, StoresAsThePanelsDoAndDecodesBack) {
  EXPECT_EQ(EscapeTicketText(GetParam().text), GetParam().stored);
  if (GetParam().stored != GetParam().text) {
    EXPECT_EQ(DecodeByteList(GetParam().stored), GetParam().text);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, JobTicketEscape,
    ::testing::Values(EscapeCase{"FAEN=90312345678{20}{30}{7QWJj}{}comment", "FAEN=90312345678{20}{30}{7QWJj}{}comment"},
                      EscapeCase{"FAEN='12'", "/70/65/69/78/61/39/49/50/39"},
                      EscapeCase{"FAEN='012'{}comment",
                                 "/70/65/69/78/61/39/48/49/50/39/123/125/99/111/109/109/101/110/116"},
                      EscapeCase{"/x", "/47/120"}, EscapeCase{"a,b", "/97/44/98"},
                      EscapeCase{"\\", "/92"}, EscapeCase{"\xC3\xA9,", "/-61/-87/44"}));

TEST(JobTicketDecode, RefusesWhatIsNotACleanByteList) {
  EXPECT_EQ(DecodeByteList("/195/169"), "\xC3\xA9");
  for (const char* bad : {"", "/", "abc", "/300", "/0", "/65//66", "/65/", "/6a", "/-129", "/+"}) {
    EXPECT_FALSE(DecodeByteList(bad)) << bad;
  }
}

TEST(JobTicketLength, CountsWhatTheServerEscapes) {
  EXPECT_EQ(ServerOptionLength({}), 0u);
  EXPECT_EQ(ServerOptionLength({{"a", "1"}, {"bb", "x y"}}), 3u + 1 + 7);
  EXPECT_EQ(ServerOptionLength({{"k", "'\"\\,"}}), 2u + 7);
}

JobOptionList ItemsOf(int count, const std::string& item) {
  JobOptionList t = {{TicketKey("DFRecipientListCountTicket"), std::to_string(count)}};
  for (int i = 0; i < count; ++i) {
    t.emplace_back(TicketKey("DFRecipientListItemKeyTicket" + std::to_string(i)), EscapeTicketText(item));
  }
  return t;
}

TEST(JobTicketFit, LeavesATicketThatFitsAsWritten) {
  JobOptionList t = ItemsOf(10, "FAEN='0012'{}comment");
  const JobOptionList before = t;
  std::string error;
  ASSERT_TRUE(FitTicketToServer(t, &error));
  EXPECT_EQ(t, before);
}

TEST(JobTicketFit, SendsTextsStartingWithABraceAsByteLists) {
  JobOptionList t = {{TicketKey("DocumentNameTicketKey"), "{Draft} report"},
                  {TicketKey("JBAUserIDTextEditTicket"), "a{b}"},
                  {"job-sheets", "{none}"}};
  std::string error;
  ASSERT_TRUE(FitTicketToServer(t, &error));
  EXPECT_EQ(t[0].second, "/123/68/114/97/102/116/125/32/114/101/112/111/114/116");
  EXPECT_EQ(t[1].second, "a{b}");
  EXPECT_EQ(t[2].second, "{none}") << "only ticket keys are the ticket's";
}

TEST(JobTicketFit, SendsEscapedItemsAsTextWhenTheTicketIsTooLong) {
  const std::string item = "SFEN=" + std::string(200, 'z') + ",x{22}{30}{}comment";
  JobOptionList t = ItemsOf(200, item);
  t.emplace_back(TicketKey("JBAUserIDTextEditTicket"), EscapeTicketText("a,b"));
  ASSERT_GT(ServerOptionLength(t), kServerOptionBudget);
  std::string error;
  ASSERT_TRUE(FitTicketToServer(t, &error)) << error;
  EXPECT_EQ(t[1].second, item);
  EXPECT_EQ(t[200].second, item);
  // Only recipient items change; other keys keep the panels' form.
  EXPECT_EQ(t.back().second, "/97/44/98");
  EXPECT_EQ(t[0].second, "200");
}

class JobTicketFitKept : public ::testing::TestWithParam<std::string> {};

// Text starting with "/" would be decoded by the filter, text starting with "{" would be sent
// as a collection and dropped, other bytes are not for a plain option value: they stay escaped.
TEST_P(JobTicketFitKept, ItemsThatCannotTravelAsTextStayEscaped) {
  const std::string text = GetParam() + std::string(300, 'b') + ",";
  JobOptionList t = ItemsOf(150, text);
  std::string error;
  EXPECT_FALSE(FitTicketToServer(t, &error));
  EXPECT_NE(error.find("bytes"), std::string::npos);
  EXPECT_EQ(t[1].second, EscapeTicketText(text)) << "a refused ticket is left unchanged";
}

INSTANTIATE_TEST_SUITE_P(Texts, JobTicketFitKept,
                         ::testing::Values("/", "{", "\t", "\xC3\xA9", "\x7F"));

TEST(JobTicketFit, RefusesATicketThatCannotFit) {
  JobOptionList t = ItemsOf(200, std::string(700, 'z'));
  std::string error;
  EXPECT_FALSE(FitTicketToServer(t, &error));
  EXPECT_FALSE(error.empty());
}

// The host's submission fits the ticket first; one that cannot fit never reaches the server
// (pointed at a socket that does not exist, so a request would fail with another message).
TEST(JobTicketSubmit, ATicketThatCannotFitIsNotSubmitted) {
  cupsSetServer("/nonexistent/norvalex-test.sock");
  std::string error;
  const int id = SubmitJob("Fax_Queue", "/etc/hostname", "t", ItemsOf(200, std::string(700, 'z')), &error);
  cupsSetServer(nullptr);
  EXPECT_EQ(id, 0);
  EXPECT_THAT(error, ::testing::StartsWith("cannot submit /etc/hostname to Fax_Queue: the job options take "));
  EXPECT_THAT(error, ::testing::EndsWith("bytes; the print server can pass 122879 to its filters"));
}

}  // namespace
}  // namespace pdehost
