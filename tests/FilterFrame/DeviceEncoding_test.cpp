#include "DeviceEncoding.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace nx::filter {
namespace {

struct ConvertCase {
  const char* name;
  std::string utf8;
  std::size_t size;
  std::string sjis;  // expected destination
  int result;
};

class ConvertUTF8ToEncodingTest : public ::testing::TestWithParam<ConvertCase> {};

TEST_P(ConvertUTF8ToEncodingTest, FillsAndClearsTheDestination) {
  const ConvertCase& c = GetParam();
  char dest[64];
  std::memset(dest, 'X', sizeof dest);
  ASSERT_LE(c.size, sizeof dest);
  EXPECT_EQ(ConvertUTF8ToEncoding(c.utf8, dest, c.size), c.result);
  EXPECT_EQ(std::string(dest), c.sjis);
  // Cleared to `size` bytes; nothing written beyond.
  for (std::size_t i = c.sjis.size(); i < c.size; ++i) EXPECT_EQ(dest[i], 0) << i;
  for (std::size_t i = c.size; i < sizeof dest; ++i) EXPECT_EQ(dest[i], 'X') << i;
}

const std::string kKan = "\xe6\xbc\xa2";  // 漢 -> 8A BF
const std::string kJi = "\xe5\xad\x97";   // 字 -> 8E 9A

INSTANTIATE_TEST_SUITE_P(
    Cases, ConvertUTF8ToEncodingTest,
    ::testing::Values(ConvertCase{"Ascii", "ABC", 10, "ABC", 3},
                      ConvertCase{"Empty", "", 10, "", 0},
                      ConvertCase{"Kanji", kKan + kJi, 5, "\x8a\xbf\x8e\x9a", 4},
                      ConvertCase{"HalfWidthKana", "\xef\xbd\xb1\xef\xbd\xb2", 3, "\xb1\xb2", 2},
                      // Too long: the longest prefix of whole characters.
                      ConvertCase{"ExactlyFull", "ABCD", 5, "ABCD", 4},
                      ConvertCase{"AsciiTooLong", "ABCDEF", 5, "ABCD", 0},
                      ConvertCase{"DoubleByteStraddlesTheEnd", kKan + kJi, 4, "\x8a\xbf", 0},
                      ConvertCase{"DoubleByteAfterAscii", "ab" + kKan, 4, "ab", 0},
                      // No Shift_JIS form (an emoji): the prefix before it.
                      ConvertCase{"Unconvertible",
                                  "abc\xf0\x9f\x98\x80"
                                  "def",
                                  20, "abc", 0},
                      ConvertCase{"UnconvertibleFirst", "\xf0\x9f\x98\x80", 20, "", 0},
                      // Not UTF-8: empty.
                      ConvertCase{"InvalidUtf8", "ab\xff", 20, "", 0},
                      ConvertCase{"TruncatedSequence", "ab\xe6\xbc", 20, "", 0},
                      ConvertCase{"SizeOne", "A", 1, "", 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ConvertUTF8ToEncoding, VeryLongTextIsCutWithoutOverrun) {
  const std::string longText(100000, 'a');
  char dest[25];
  EXPECT_EQ(ConvertUTF8ToEncoding(longText, dest, sizeof dest), 0);
  EXPECT_EQ(std::string(dest), std::string(24, 'a'));
  std::string kanji;
  for (int i = 0; i < 5000; ++i) kanji += kKan;
  EXPECT_EQ(ConvertUTF8ToEncoding(kanji + "\xf0\x9f\x98\x80", dest, sizeof dest), 0);
  EXPECT_EQ(std::strlen(dest), 24u);  // twelve whole characters
}

struct ScaleCase {
  const char* text;
  const CharScale* scale;
  bool valid;
};

class ScaleTest : public ::testing::TestWithParam<ScaleCase> {};

TEST_P(ScaleTest, Validates) {
  const ScaleCase& c = GetParam();
  EXPECT_EQ(IsStringInScale(c.text, *c.scale), c.valid);
}

INSTANTIATE_TEST_SUITE_P(
    Scales, ScaleTest,
    ::testing::Values(
        ScaleCase{"", &kUserNameScale, true}, ScaleCase{"john doe~", &kUserNameScale, true},
        ScaleCase{"\x8a\xbf\x8e\x9a", &kUserNameScale, true},  // kanji
        ScaleCase{"\xb1\xb2", &kUserNameScale, true},          // half-width kana
        ScaleCase{"\x81\x40", &kUserNameScale, true}, ScaleCase{"a\tb", &kUserNameScale, false},
        ScaleCase{"a\x7f", &kUserNameScale, false}, ScaleCase{"\x80", &kUserNameScale, false},
        ScaleCase{"\x8a", &kUserNameScale, false},      // lone lead byte
        ScaleCase{"\xfd\x40", &kUserNameScale, false},  // outside every range
        ScaleCase{"Report 1", &kDocumentNameScale, true},
        ScaleCase{"\x8a\xbf", &kDocumentNameScale, true},
        // Product type 2: ASCII, half-width kana, the wave dash and 0xFF61-0xFF9F.
        ScaleCase{"Report 1", &kDocumentNameScaleProduct2, true},
        ScaleCase{"\xb1\x81\x60", &kDocumentNameScaleProduct2, true},
        ScaleCase{"\xff\x61", &kDocumentNameScaleProduct2, true},
        ScaleCase{"\x8a\xbf", &kDocumentNameScaleProduct2, false},
        ScaleCase{"\x81\x40", &kDocumentNameScaleProduct2, false}));

TEST(BlankTest, OnlyAsciiAndIdeographicSpacesAreBlank) {
  for (const char* blank : {"", " ", "   ", "\x81\x40\x81\x40", " \x81\x40 "}) {
    EXPECT_TRUE(IsBlankString(blank)) << blank;
  }
  for (const char* notBlank : {"a", " a ", "\x81", " \x81", "\x81\x41", "\x40", "\t"}) {
    EXPECT_FALSE(IsBlankString(notBlank)) << notBlank;
  }
}

TEST(BlankTest, UserNameOfFullWidthSpacesIsValidButBlank) {
  char dest[255];
  ConvertUTF8ToEncoding("\xe3\x80\x80\xe3\x80\x80", dest, sizeof dest);
  EXPECT_EQ(std::string(dest), "\x81\x40\x81\x40");
  EXPECT_TRUE(IsStringInScale(dest, kUserNameScale));
  EXPECT_TRUE(IsBlankString(dest));
}

TEST(StripHeaderUnsafeBytes, RemovesControlBytesAndQuotesKeepsDoubleByteCharacters) {
  char text[] =
      "a\"b\r\nc\x1b"
      "d\x7f\x01"
      "e\x8a\xbf\x81\x40\x83\x7e";
  EXPECT_EQ(StripHeaderUnsafeBytes(text), 11u);
  EXPECT_EQ(std::string(text), "abcde\x8a\xbf\x81\x40\x83\x7e");
}

}  // namespace
}  // namespace nx::filter
