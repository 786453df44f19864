// CSV reading and writing rules.
#include "csv_lexer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace nx::phonebook;
using Rows = std::vector<std::vector<std::string>>;

Rows ReadAll(const std::string& text) {
  detail::MemorySource src(text.data(), text.size());
  Rows rows;
  CsvRecord record;
  while (detail::CSVReadRecord(src, record)) {
    std::vector<std::string> fields(record.columns.begin() + 1, record.columns.end());
    EXPECT_EQ(fields.size(), record.fieldCount);
    rows.push_back(fields);
  }
  return rows;
}

struct LexCase {
  const char* name;
  std::string text;
  Rows rows;
};

class CsvReadTest : public ::testing::TestWithParam<LexCase> {};

TEST_P(CsvReadTest, SplitsRecordsAndFields) { EXPECT_EQ(ReadAll(GetParam().text), GetParam().rows); }

INSTANTIATE_TEST_SUITE_P(
    Cases, CsvReadTest,
    ::testing::Values(
        LexCase{"QuotedWithDoubledQuote", "\"a\"\"b,c\",d\r\n", {{"a\"b,c", "d"}}},
        LexCase{"LineEnds", "a,b\nc\r\nd\re", {{"a", "b"}, {"c"}, {"d"}, {"e"}}},
        // Lines reuse the storage of the line before: nothing of a longer line may show.
        LexCase{"ShorterLinesAfterLongerOnes",
                "a-long-first-field-past-the-short-form,second-long-field-of-the-line,c\nx\n,\n",
                {{"a-long-first-field-past-the-short-form", "second-long-field-of-the-line", "c"},
                 {"x"},
                 {"", ""}}},
        LexCase{"CrOnlyFile", "1,2\r3,4\r", {{"1", "2"}, {"3", "4"}}},
        LexCase{"CrLfIsOneEnd", "x\r\n\r\ny", {{"x"}, {""}, {"y"}}},
        LexCase{"EmptyFields", ",,\n", {{"", "", ""}}},
        LexCase{"LineEndsInsideQuotes", "\"l1\r\nl2\rl3\nl4\",z", {{"l1\r\nl2\rl3\nl4", "z"}}},
        LexCase{"TextAfterClosingQuote", "\"ab\"cd,e", {{"abcd", "e"}}},
        LexCase{"QuoteInsidePlainField", "a\"b,c", {{"a\"b", "c"}}},
        LexCase{"UnterminatedQuoteRunsToTheEnd", "a,\"b,c\r\nd,e", {{"a", "b,c\r\nd,e"}}},
        LexCase{"NulBytesAreData", std::string("a\0b,c", 5), {{std::string("a\0b", 3), "c"}}},
        LexCase{"NoFinalLineEnd", "a", {{"a"}}},
        LexCase{"EmptyData", "", {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CsvRead, FieldsKeepTheirFirst1024Bytes) {
  const std::string text = std::string(1500, 'x') + ",\"" + std::string(3000, 'q') + "\",y";
  const Rows rows = ReadAll(text);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0][0], std::string(1024, 'x'));
  EXPECT_EQ(rows[0][1], std::string(1024, 'q'));
  EXPECT_EQ(rows[0][2], "y");
}

TEST(CsvRead, AMegabyteLineOfSeparatorsIsCountedNotStored) {
  const std::string text = std::string(1 << 20, ',') + "\nnext";
  detail::MemorySource src(text.data(), text.size());
  CsvRecord record;
  ASSERT_TRUE(detail::CSVReadRecord(src, record));
  EXPECT_EQ(record.fieldCount, (1u << 20) + 1);
  EXPECT_EQ(record.columns.size(), kCsvFieldsKept + 1);
  ASSERT_TRUE(detail::CSVReadRecord(src, record));
  EXPECT_EQ(record.Column(1), "next");
}

TEST(CsvRead, ColumnsAndNames) {
  const std::string text = "MFDN,MFCN,MFDN\n";
  detail::MemorySource src(text.data(), text.size());
  CsvRecord names;
  ASSERT_TRUE(detail::CSVReadRecord(src, names));
  EXPECT_EQ(names.Column(0), "");
  EXPECT_EQ(names.Column(4), "");
  EXPECT_EQ(names.ColumnOf("MFCN"), 2u);
  EXPECT_EQ(names.ColumnOf("MFDN"), 1u);  // the first of equal names
  EXPECT_EQ(names.ColumnOf("MFFAX"), 0u);
}

TEST(CsvRead, BlankLinesAndTheEndMarker) {
  const std::string text = "\n*\n\"*\"\n*,\n";
  detail::MemorySource src(text.data(), text.size());
  CsvRecord r;
  ASSERT_TRUE(detail::CSVReadRecord(src, r));
  EXPECT_TRUE(r.blankLine);
  ASSERT_TRUE(detail::CSVReadRecord(src, r));
  EXPECT_FALSE(r.blankLine);
  EXPECT_TRUE(detail::CheckIsLastLine(r));
  ASSERT_TRUE(detail::CSVReadRecord(src, r));
  EXPECT_TRUE(detail::CheckIsLastLine(r));
  ASSERT_TRUE(detail::CSVReadRecord(src, r));
  EXPECT_FALSE(detail::CheckIsLastLine(r));
}

TEST(CsvRead, AByteOrderMarkIsSkippedOnlyAtTheStart) {
  for (const auto& [text, first] : std::vector<std::pair<std::string, std::string>>{
           {"\xef\xbb\xbfTmr,b", "Tmr"}, {"\xef\xbbx", "\xef\xbbx"}, {"ab", "ab"}, {"", ""}}) {
    detail::MemorySource src(text.data(), text.size());
    detail::SkipByteOrderMark(src);
    CsvRecord r;
    const bool any = detail::CSVReadRecord(src, r);
    EXPECT_EQ(any ? std::string(r.Column(1)) : std::string(), first);
  }
}

TEST(CsvWrite, QuotesOnlyWhatNeedsIt) {
  struct Case {
    std::string field, written;
  } cases[] = {
      {"plain", "plain"},
      {"a\"b,c", "\"a\"\"b,c\""},
      {"line\nend", "\"line\nend\""},
      {"cr\r", "\"cr\r\""},
      {"", ""},
      {"\"", "\"\"\"\""},
  };
  for (const auto& c : cases) {
    std::string out;
    WriteField(out, c.field);
    EXPECT_EQ(out, c.written);
  }
}

TEST(CsvWrite, RecordsReadBackUnchanged) {
  const std::vector<std::string> fields = {"a\"b,c", "", "x\r\ny", "\"quoted\"", "tail "};
  std::string text;
  WriteRecord(text, fields);
  WriteRecord(text, {"second"});
  EXPECT_EQ(text.substr(text.size() - 8), "second\r\n");
  const Rows rows = ReadAll(text);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0], fields);
  EXPECT_EQ(rows[1], std::vector<std::string>{"second"});
}

}  // namespace
