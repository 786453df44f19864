#include "TicketReader.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "TicketTestSupport.h"

namespace nx::filter {
namespace {

using test::FreshJob;
using test::Key;
using test::TestArgs;

// Reads one text key of width `size` from an option string.
std::string ReadText(const std::string& options, const char* key, std::size_t size,
                     int* present = nullptr) {
  const auto job = test::JobWith(options);
  std::string dest(size, 'X');
  const int r = GetTicketStringConvertedToPrtLang(key, *job, dest.data(), size);
  if (present) *present = r;
  return std::string(dest.c_str());
}

struct IntCase {
  const char* options;
  std::int32_t value;
  int present;
};

class TicketIntegerTest : public ::testing::TestWithParam<IntCase> {};

TEST_P(TicketIntegerTest, ReadsDecimalOrMinusOne) {
  const auto job = test::JobWith(GetParam().options);
  std::int32_t value = 12345;
  EXPECT_EQ(GetTicketInteger("n", *job, &value, sizeof value), GetParam().present);
  EXPECT_EQ(value, GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(Values, TicketIntegerTest,
                         ::testing::Values(IntCase{"n=5", 5, 1}, IntCase{"n='  -3'", -3, 1},
                                           IntCase{"n=+7", 7, 1}, IntCase{"n=12abc", 12, 1},
                                           IntCase{"n=abc", 0, 1}, IntCase{"n=", 0, 1},
                                           IntCase{"other=5", -1, 0}, IntCase{"", -1, 0},
                                           IntCase{"n=99999999999999999999", INT32_MAX, 1},
                                           IntCase{"n=-99999999999999999999", INT32_MIN, 1}));

struct ByteListCase {
  const char* in;
  std::string out;
};

class NumStrToCharTest : public ::testing::TestWithParam<ByteListCase> {};

TEST_P(NumStrToCharTest, DecodesInPlace) {
  std::string buf = GetParam().in;
  const std::size_t n = numstrtochar(buf.data());
  EXPECT_EQ(std::string(buf.c_str()), GetParam().out);
  EXPECT_EQ(n, GetParam().out.size());
}

INSTANTIATE_TEST_SUITE_P(
    Fields, NumStrToCharTest,
    ::testing::Values(ByteListCase{"/65/66/67", "ABC"},
                      ByteListCase{"/195/169", "\xc3\xa9"},  // unsigned bytes
                      ByteListCase{"/-61/-87", "\xc3\xa9"},  // signed bytes
                      ByteListCase{"/65/300/66", "A"},       // 256 or more ends the text
                      ByteListCase{"/65/256", "A"}, ByteListCase{"/65/255", "A\xff"},
                      ByteListCase{"/65/-191/66", "AAB"},  // low 8 bits of -191
                      ByteListCase{"/65/-256/66", "A"},    // low 8 bits 0 end it too
                      ByteListCase{"/65/99999999999999999999999999/66", "A"},
                      ByteListCase{"/65/-99999999999999999999999999/66",
                                   "A\x01"
                                   "B"},
                      ByteListCase{"/65//66", "A"},         // an empty field is 0
                      ByteListCase{"/ 65/+66/67x", "ABC"},  // blanks, sign, trailing junk
                      ByteListCase{"/", ""}, ByteListCase{"plain/65", "plain/65"},
                      ByteListCase{"", ""}));

TEST(TicketText, ByteListAndPlainFormsArriveAlike) {
  const char* key = "k";
  EXPECT_EQ(ReadText("k=/65/66/67", key, 33), "ABC");
  EXPECT_EQ(ReadText("k=/195/169", key, 33), "\x85\x7e");  // é in the device encoding
  EXPECT_EQ(ReadText("k=/-61/-87", key, 33), "\x85\x7e");
  EXPECT_EQ(ReadText("k=\xc3\xa9", key, 33), "\x85\x7e");
  EXPECT_EQ(ReadText("k=/65/300/66", key, 33), "A");
}

TEST(TicketText, AbsentInvalidAndOverlongValues) {
  int present = -1;
  EXPECT_EQ(ReadText("other=1", "k", 25, &present), "");
  EXPECT_EQ(present, 0);
  EXPECT_EQ(ReadText("k=/255/254", "k", 25, &present), "");  // not UTF-8
  EXPECT_EQ(present, 1);
  EXPECT_EQ(ReadText("k=" + std::string(100000, 'a'), "k", 25), std::string(24, 'a'));
  // Byte lists with huge and negative numbers stay bounded.
  std::string huge = "k=";
  for (int i = 0; i < 5000; ++i) huge += "/-99999999999999999999999999999965";
  EXPECT_LE(ReadText(huge, "k", 25).size(), 24u);
}

TEST(TicketText, WidthsCutAtCharacterBoundaries) {
  std::string kanji;  // 漢 x 20: 60 UTF-8 bytes, 40 device bytes
  for (int i = 0; i < 20; ++i) kanji += "\xe6\xbc\xa2";
  std::string expected;
  for (int i = 0; i < 12; ++i) expected += "\x8a\xbf";
  EXPECT_EQ(ReadText("k=" + kanji, "k", 25), expected);
  // The work copy keeps 2 x 25 - 1 = 49 UTF-8 bytes; a cut inside a character backs off to its
  // start instead of leaving a broken sequence that would empty the value.
  std::string mixed = "ab" + kanji;  // byte 49 is the last byte of the 16th kanji
  EXPECT_EQ(ReadText("k=" + mixed, "k", 25), "ab" + expected.substr(0, 22));
}

TEST(TicketText, ByteListIsCutAfterDecodingNotBefore) {
  // A 30-character ID that contains a comma travels as a byte list of more than 100 characters;
  // all of it fits the 33-byte width.
  const std::string id = "abcdefghij,lmnopqrstuvwxyz01234";
  std::string list;
  for (unsigned char c : id) list += "/" + std::to_string(c);
  ASSERT_GT(list.size(), 65u);
  EXPECT_EQ(ReadText("k=" + list, "k", 33), id);
}

TEST(TicketText, InjectionAttemptsStayOnOneLine) {
  // Plain (escaped quote and a quoted CR LF) and byte-list forms.
  EXPECT_EQ(ReadText("k=AB\\\"C", "k", 33), "ABC");
  EXPECT_EQ(ReadText("k='A\"B\r\n@PJL SET X=1'", "k", 33), "AB@PJL SET X=1");
  EXPECT_EQ(ReadText("k=/65/34/13/10/64/66/127/27", "k", 33), "A@B");
  EXPECT_EQ(ReadText("k=/65/0/66", "k", 33), "A");
}

TEST(TicketText, GarbageOptionSyntaxNeverCrashes) {
  for (const char* garbage : {"", "=", "==x", "'unterminated", "k=\"open", "k='a", "k=\\", "  ",
                              "{", "a={b=c}", "k=a b=c d", "\xff\xfe=\xfd", "k"}) {
    auto job = FreshJob();
    const TestArgs args(garbage);
    EXPECT_EQ(GetTicketFromPDE(args.Into(*job)), 1) << garbage;
    EXPECT_LT(std::strlen(job->jba.userID), sizeof job->jba.userID);
  }
}

struct NumberUpCase {
  const char* name;
  std::string options;
  std::string text;
};

class NumberUpTest : public ::testing::TestWithParam<NumberUpCase> {};

TEST_P(NumberUpTest, BuildsPagesPerSheet) {
  const auto job = test::JobWith(GetParam().options);
  char dest[10];
  std::memset(dest, 'X', sizeof dest);
  EXPECT_EQ(GetNumberUpTicketString("number-up", *job, dest, sizeof dest), 1);
  EXPECT_EQ(std::string(dest), GetParam().text);
}

const std::string kRows = "com.apple.print.PrintSettings.PMLayoutRows..n.";
const std::string kColumns = "com.apple.print.PrintSettings.PMLayoutColumns..n.";

INSTANTIATE_TEST_SUITE_P(
    Layouts, NumberUpTest,
    ::testing::Values(NumberUpCase{"NumberUp2", "number-up=2", "N2"},
                      NumberUpCase{"NumberUp1", "number-up=1", "N1"},
                      NumberUpCase{"NothingGivesOne", "", "1"},
                      NumberUpCase{"RowsTimesColumns", kRows + "=2 " + kColumns + "=2", "N4"},
                      NumberUpCase{"NumberUpWins", "number-up=6 " + kRows + "=2 " + kColumns + "=2",
                                   "N6"},
                      NumberUpCase{"OneByOne", kRows + "=1 " + kColumns + "=1", "1"},
                      NumberUpCase{"ZeroProduct", kRows + "=0 " + kColumns + "=3", "N"},
                      NumberUpCase{"OnlyRows", kRows + "=2", "1"},
                      NumberUpCase{"OnlyColumns", kColumns + "=2", "1"},
                      NumberUpCase{"LargestProduct", kRows + "=9 " + kColumns + "=11", "N99"},
                      NumberUpCase{"ProductAbove99", kRows + "=10 " + kColumns + "=10", "1"},
                      NumberUpCase{"NegativeProduct", kRows + "=-2 " + kColumns + "=2", "1"},
                      NumberUpCase{"LongValueIsCut", "number-up=123456789012", "N12345678"},
                      NumberUpCase{"InjectionStripped", "number-up='2\"\r\n'", "N2"}),
    [](const auto& info) { return std::string(info.param.name); });

// The key catalogue's widths: a long value fills each text field to its width less the NUL.
TEST(TicketCatalogue, EveryTextKeyIsReadToItsWidth) {
  struct Width {
    const char* key;
    std::size_t width;
  };
  const Width widths[] = {
      {"PrintTypeUserNameTicketKey", 25},
      {"DocumentNameTicketKey", 65},
      {"DelayPrintTicketKey", 17},
      {"PrintTypeMBNTicketKey", 5},
      {"JBAIPAddressStringTicket", 46},
      {"JBAUserIDTextEditTicket", 33},
      {"JBADomainNameTextEditTicket", 65},
      {"JBAInputDomainNameTextEditTicket", 65},
      {"JBAAccountIDTextEditTicket", 33},
      {"JBAStorageIDTextEditTicket", 25},
      {"JBAInputStorageIDTextEditTicket", 25},
      {"JBAInputUserIDTextEditTicket", 33},
      {"JBAInputAccountIDTextEditTicket", 33},
      {"JBAAdminUserIDTextEditTicket", 33},
      {"JBAAdminDomainNameTextEditTicket", 65},
      {"JBAAdminAccountIDTextEditTicket", 33},
      {"JBAAdminStorageIDTextEditTicket", 25},
      {"TabMarginMMShiftTicket", 5},
      {"TrimmerMMCuttingSizeTicket", 5},
      {"NumInSequenceLArrowTicket", 5},
      {"OffsetStackingPagesLArrowTicket", 6},
      {"OffsetStackingUnitsLArrowTicket", 6},
      {"TPIFCommandFileNameTicket", 256},
      {"DeviceOptionOutlineNumberEtxtTicket", 6},
      {"DeviceOptionInlineNumberEtxtTicket", 6},
      {"DFDelaySendDummyKeyTicket", 6},
      {"DFDelaySendKeyTicket", 18},
      {"DFRecipientPaperSizeTicket", 10},
  };
  std::string options;
  for (const Width& w : widths) options += Key(w.key) + "=" + std::string(300, 'v') + " ";
  auto job = FreshJob();
  const TestArgs args(options);
  ASSERT_EQ(GetTicketFromPDE(args.Into(*job)), 1);

  std::size_t checked = 0;
  for (auto table :
       {PrintTypeTicketTable(*job), JBATicketTable(*job), JBAAdminTicketTable(*job),
        FeaturesTicketTable(*job), SpecialPageTicketTable(*job), DFaxSettingTicketTable(*job)}) {
    for (const TicketReadRow& row : table) {
      for (const Width& w : widths) {
        if (Key(w.key) != row.key) continue;
        ++checked;
        EXPECT_EQ(row.size, w.width) << w.key;
        EXPECT_EQ(std::strlen(static_cast<const char*>(row.destination)), w.width - 1) << w.key;
      }
    }
  }
  EXPECT_EQ(checked, std::size(widths));
}

TEST(TicketCatalogue, ModulesReadTheirKeysAndAbsentOnesAreUnset) {
  auto job = FreshJob();
  const TestArgs args(Key("PrintTypeTicketKey") + "=2 " + Key("PrintTypeUserNameTicketKey") +
                      "=/85/49 " + Key("JBAManageTypeListTicketKey") + "=2 " +
                      Key("JBAAdminUserIDListCtrlTicket") + "=1 " + Key("EjectOptionsListTicket") +
                      "=3 " + Key("DFRecipientListCountTicket") + "=2 " +
                      Key("DFRecipientPaperSizeTicket") + "=A4 number-up=4 " +
                      Key("PrintTypeProductTypeTicketKey") + "=2");
  EXPECT_EQ(GetTicketFromPDE(args.Into(*job)), 1);
  EXPECT_EQ(job->printType.printType, 2);
  EXPECT_STREQ(job->printType.userName, "U1");
  EXPECT_EQ(job->printType.documentNameType, -1);
  EXPECT_EQ(job->jba.manageType, 2);
  EXPECT_STREQ(job->jba.numberUp, "N4");
  EXPECT_EQ(job->jba.userSetting, -1);
  EXPECT_EQ(job->jbaAdmin.userIDList, 1);
  EXPECT_EQ(job->features.ejectOptions, 3);
  EXPECT_EQ(job->features.tabMarginSwitch, -1);
  EXPECT_EQ(job->faxSetting.recipientListCount, 2);
  EXPECT_STREQ(job->faxSetting.recipientPaperSize, "A4");
  EXPECT_EQ(job->faxSetting.faxResolution, -1);
  // The product type is read by its own call only.
  EXPECT_EQ(job->printType.productType, 0);
  EXPECT_EQ(PrintTypeGetProductTypeTicket(args.Into(*job)), 1);
  EXPECT_EQ(job->printType.productType, 2);
}

TEST(TicketCatalogue, MissingOptionArgumentReadsEverythingAbsent) {
  auto job = FreshJob();  // no options at all
  EXPECT_EQ(GetTicketFromPDE(*job), 1);
  EXPECT_EQ(job->printType.printType, -1);
  EXPECT_STREQ(job->jba.numberUp, "1");
  EXPECT_EQ(job->faxSetting.recipientListCount, -1);
}

}  // namespace
}  // namespace nx::filter
