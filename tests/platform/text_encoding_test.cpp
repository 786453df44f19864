#include "nx/platform/text_encoding.h"

#include <gtest/gtest.h>

namespace {

using nx::platform::IsValidUtf8;
using nx::platform::ShiftJisToUtf8;
using nx::platform::Utf8ToShiftJis;

TEST(TextEncoding, ConverterIsPresent) { EXPECT_TRUE(nx::platform::ShiftJisX0213Available()); }

TEST(TextEncoding, RoundTripsAsciiKanjiKanaAndX0213) {
  struct Case {
    const char* utf8;
    std::string sjis;
  } cases[] = {
      {"abc \\~", "abc \\~"},
      {"\xe6\xbc\xa2", "\x8a\xbf"},                  // 漢
      {"\xe3\x80\x80", "\x81\x40"},                  // ideographic space
      {"\xef\xbd\xa1", "\xa1"},                      // half-width katakana
      {"\xc3\xa9", "\x85\x7e"},                      // é, JIS X 0213 plane 1
      {"a\\b\xe6\xbc\xa2~", "a\\b\x8a\xbf~"},
  };
  for (const auto& c : cases) {
    std::string sjis, back;
    ASSERT_TRUE(Utf8ToShiftJis(c.utf8, sjis)) << c.utf8;
    EXPECT_EQ(sjis, c.sjis) << c.utf8;
    ASSERT_TRUE(ShiftJisToUtf8(sjis, back)) << c.utf8;
    EXPECT_EQ(back, c.utf8);
  }
}

TEST(TextEncoding, RefusesInvalidOrUnconvertibleInput) {
  std::string out = "junk";
  EXPECT_FALSE(Utf8ToShiftJis("\xff", out));
  EXPECT_TRUE(out.empty());
  EXPECT_FALSE(Utf8ToShiftJis("\xf0\x9f\x98\x80", out));  // emoji: no Shift_JIS form
  EXPECT_FALSE(ShiftJisToUtf8("\x81", out));               // lone lead byte
  EXPECT_FALSE(ShiftJisToUtf8("\x81\x20", out));           // invalid trail byte
}

TEST(TextEncoding, Utf8Validity) {
  EXPECT_TRUE(IsValidUtf8(""));
  EXPECT_TRUE(IsValidUtf8("\xe6\xbc\xa2\xf0\x9f\x98\x80"));
  EXPECT_FALSE(IsValidUtf8("\xc0\xaf"));          // overlong
  EXPECT_FALSE(IsValidUtf8("\xed\xa0\x80"));      // surrogate
  EXPECT_FALSE(IsValidUtf8("\xf4\x90\x80\x80"));  // above U+10FFFF
  EXPECT_FALSE(IsValidUtf8("\xe6\xbc"));          // truncated
}

TEST(TextEncoding, ShiftJisLeadBytesAndWholeCharacterCuts) {
  // Every byte value once: the lead-byte ranges end exactly at 0x9F and 0xFC.
  for (int c = 0; c <= 0xFF; ++c) {
    const bool lead = (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
    EXPECT_EQ(nx::platform::IsShiftJisLeadByte(static_cast<unsigned char>(c)), lead) << c;
  }
  struct Cut {
    const char* text;
    std::size_t limit, prefix;
  };
  const Cut cuts[] = {
      {"abc", 2, 2},              {"abc", 9, 3},
      {"a\x88\x9F", 2, 1},        // the kanji straddles the limit
      {"a\x88\x9F", 3, 3},        {"\x88\x9F\x88\x9F", 3, 2},
      {"\xA0\xDFx", 2, 2},        // half-width kana are single bytes
      {"\xFC\x40z", 1, 0},        {"\xFD\x40z", 1, 1},  // 0xFD leads nothing
      {"ab\x81", 3, 3},           // a lead byte at the very end counts alone
      {"", 5, 0},                 {"ab", 0, 0},
  };
  for (const Cut& c : cuts)
    EXPECT_EQ(nx::platform::ShiftJisWholeCharPrefix(c.text, c.limit), c.prefix) << c.text << " " << c.limit;
}

}  // namespace
