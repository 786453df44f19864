// The address book container and the record text conversions.
#include "nx/phonebook/abif_data.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "phonebook_test_support.h"

namespace {

using namespace nx::phonebook;
using pbtest::Container;

// One trait per record kind, so that every per-kind operation runs through the same cases.
#define NX_KIND(Name, Record, Suffix, Limit)                                                    \
  struct Name {                                                                                 \
    using R = Record;                                                                           \
    static constexpr int kLimit = Limit;                                                        \
    static AbifStatus Add(ABIFDATA* d, int n, const R* r) { return ABIFData_Add_##Suffix(d, n, r); } \
    static AbifStatus GetAt(const ABIFDATA* d, int i, R* r) { return ABIFData_GetAt_##Suffix(d, i, r); } \
    static int Count(const ABIFDATA* d) { return ABIFData_GetCount_##Suffix(d); }                \
  };
NX_KIND(MyFaxKind, tag_ABIF_MYFAX, MyFax, 9999)
NX_KIND(MyFaxGroupKind, tag_ABIF_MYFAX_GROUP, MyFaxGroup, 5000)
NX_KIND(EwsKind, tag_ABIF_EWSCVS, EWSCVS, 10000)
NX_KIND(PartnerKind, tag_ABIF_TSABF, TSABFCVS, 10000)
NX_KIND(GadKind, tag_ABIF_GAD, GADFax, 9999)
NX_KIND(GadGroupKind, tag_ABIF_GAD_GROUP, GADFaxGroup, 5000)
#undef NX_KIND

template <typename Kind>
class ContainerKinds : public ::testing::Test {};
using Kinds =
    ::testing::Types<MyFaxKind, MyFaxGroupKind, EwsKind, PartnerKind, GadKind, GadGroupKind>;
TYPED_TEST_SUITE(ContainerKinds, Kinds);

// Records told apart by their first bytes.
template <typename R>
std::vector<R> Numbered(int n) {
  std::vector<R> out(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) {
    std::memset(&out[i], 0, sizeof(R));
    std::memcpy(&out[i], &i, sizeof i);
  }
  return out;
}

TYPED_TEST(ContainerKinds, FillsToTheLimitAndDropsTheSurplus) {
  using K = TypeParam;
  Container c;
  EXPECT_EQ(K::Count(c), 0);
  auto records = Numbered<typename K::R>(K::kLimit + 2);
  ASSERT_EQ(K::Add(c, K::kLimit - 1, records.data()), kAbifSuccess);
  EXPECT_EQ(K::Add(c, 3, records.data() + K::kLimit - 1), kAbifLimitReached);
  EXPECT_EQ(K::Count(c), K::kLimit);
  EXPECT_EQ(K::Add(c, 1, records.data()), kAbifLimitReached);
  EXPECT_EQ(K::Add(c, 0, records.data()), kAbifSuccess);
  EXPECT_EQ(K::Count(c), K::kLimit);

  typename K::R out;
  ASSERT_EQ(K::GetAt(c, K::kLimit - 1, &out), kAbifSuccess);
  EXPECT_EQ(std::memcmp(&out, &records[K::kLimit - 1], sizeof out), 0);
}

TYPED_TEST(ContainerKinds, RefusesBadArgumentsAndIndexes) {
  using K = TypeParam;
  Container c;
  auto records = Numbered<typename K::R>(2);
  EXPECT_EQ(K::Add(nullptr, 1, records.data()), kAbifNoContainer);
  EXPECT_EQ(K::Add(c, -1, records.data()), kAbifBadArgument);
  EXPECT_EQ(K::Add(c, 1, nullptr), kAbifBadArgument);
  ASSERT_EQ(K::Add(c, 2, records.data()), kAbifSuccess);

  typename K::R out;
  std::memset(&out, 0x5A, sizeof out);
  const auto before = out;
  EXPECT_EQ(K::GetAt(c, 2, &out), kAbifBadIndex);
  EXPECT_EQ(K::GetAt(c, -1, &out), kAbifBadIndex);
  EXPECT_EQ(std::memcmp(&out, &before, sizeof out), 0);
  EXPECT_EQ(K::GetAt(nullptr, 0, &out), kAbifNoContainer);
  EXPECT_EQ(K::GetAt(c, 1, nullptr), kAbifSuccess);
  EXPECT_EQ(K::Count(nullptr), 0);
}

TYPED_TEST(ContainerKinds, KeepsInsertionOrderAndHandsOutCopies) {
  using K = TypeParam;
  Container c;
  auto records = Numbered<typename K::R>(3);
  for (const auto& r : records) ASSERT_EQ(K::Add(c, 1, &r), kAbifSuccess);
  std::memset(&records[1], 0x33, sizeof records[1]);  // the container copied it in
  typename K::R first, second;
  ASSERT_EQ(K::GetAt(c, 1, &first), kAbifSuccess);
  std::memset(&first, 0x44, sizeof first);  // and copies it out
  ASSERT_EQ(K::GetAt(c, 1, &second), kAbifSuccess);
  int index;
  std::memcpy(&index, &second, sizeof index);
  EXPECT_EQ(index, 1);
}

// Records come back byte for byte whatever their bytes: text after a field's NUL, fields
// filled to the last byte, no zero at all, every other byte zero (the longest packing), and
// zeros only.
TYPED_TEST(ContainerKinds, ReturnsEveryByteOfAnyRecord) {
  using K = TypeParam;
  using R = typename K::R;
  std::vector<R> records(6);
  auto bytes = [&](std::size_t i) { return reinterpret_cast<unsigned char*>(&records[i]); };
  std::uint32_t seed = 12345;
  for (std::size_t b = 0; b < sizeof(R); ++b) {
    seed = seed * 1103515245u + 12345u;
    bytes(0)[b] = static_cast<unsigned char>((seed >> 16) % 3 == 0 ? 0 : seed >> 8);
    bytes(1)[b] = static_cast<unsigned char>(b % 2 == 0 ? 0 : 0x80 | b);
    bytes(2)[b] = static_cast<unsigned char>(b % 2 == 1 ? 0 : 0x41);
    bytes(3)[b] = 0xFF;
    bytes(4)[b] = 0;
    bytes(5)[b] = b < sizeof(R) / 2 ? 0 : 0x30;
  }
  Container c;
  ASSERT_EQ(K::Add(c, static_cast<int>(records.size()), records.data()), kAbifSuccess);
  for (std::size_t i = 0; i < records.size(); ++i) {
    R out;
    std::memset(&out, 0xA5, sizeof out);
    ASSERT_EQ(K::GetAt(c, static_cast<int>(i), &out), kAbifSuccess);
    EXPECT_EQ(std::memcmp(&out, &records[i], sizeof out), 0) << "record " << i;
  }
}

TEST(Container, PhonebookLimitsCanBeChanged) {
  Container c;
  EXPECT_EQ(ABIFData_SetLimit_MyFax(nullptr, 5), kAbifNoContainer);
  EXPECT_EQ(ABIFData_SetLimit_MyFaxGroup(nullptr, 5), kAbifNoContainer);
  ASSERT_EQ(ABIFData_SetLimit_MyFax(c, 2), kAbifSuccess);
  ASSERT_EQ(ABIFData_SetLimit_MyFaxGroup(c, 1), kAbifSuccess);
  auto r = pbtest::Individual("1", "a", "1");
  auto g = pbtest::Group("1", "g", {"1"});
  EXPECT_EQ(ABIFData_Add_MyFax(c, 1, r.get()), kAbifSuccess);
  EXPECT_EQ(ABIFData_Add_MyFax(c, 1, r.get()), kAbifSuccess);
  EXPECT_EQ(ABIFData_Add_MyFax(c, 1, r.get()), kAbifLimitReached);
  EXPECT_EQ(ABIFData_Add_MyFaxGroup(c, 1, g.get()), kAbifSuccess);
  EXPECT_EQ(ABIFData_Add_MyFaxGroup(c, 1, g.get()), kAbifLimitReached);
  ABIFData_Delete(nullptr);
}

// ---- Conversions ----------------------------------------------------------------------------

std::vector<UniChar> Units(std::u16string_view s) {
  std::vector<UniChar> v(s.begin(), s.end());
  v.push_back(0);
  return v;
}

struct Utf8FromUniCase {
  std::u16string text;
  std::size_t capacity;
  std::string expected;
};

class Utf8FromUniCharTest : public ::testing::TestWithParam<Utf8FromUniCase> {};

TEST_P(Utf8FromUniCharTest, KeepsWholeCharactersWithinTheCapacity) {
  const auto& p = GetParam();
  const auto src = Units(p.text);
  char buf[64];
  std::memset(buf, 0x7F, sizeof buf);
  UTF8FromUniChar(buf, src.data(), p.capacity);
  if (p.capacity == 0) {
    EXPECT_EQ(buf[0], 0x7F);
    return;
  }
  EXPECT_EQ(std::string(buf), p.expected);
  EXPECT_EQ(buf[p.capacity], 0x7F) << "wrote past the capacity";
  EXPECT_EQ(UTF8FromUniChar(std::u16string_view(p.text), p.capacity), p.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Utf8FromUniCharTest,
    ::testing::Values(
        // a, é (2 bytes), 漢 (3 bytes): into 4 bytes only "aé" fits, never half of 漢.
        Utf8FromUniCase{u"a\u00e9\u6f22", 4, "a\xc3\xa9"},
        Utf8FromUniCase{u"a\u00e9\u6f22", 7, "a\xc3\xa9\xe6\xbc\xa2"},
        Utf8FromUniCase{u"a\u00e9\u6f22", 6, "a\xc3\xa9"},
        Utf8FromUniCase{u"a\u00e9\u6f22", 2, "a"},
        Utf8FromUniCase{u"a\u00e9\u6f22", 1, ""},
        Utf8FromUniCase{u"a\u00e9\u6f22", 0, ""},
        // A surrogate pair is one 4-byte character.
        Utf8FromUniCase{u"\U0001F600", 4, ""},
        Utf8FromUniCase{u"\U0001F600", 5, "\xf0\x9f\x98\x80"},
        // Lone surrogates become U+FFFD, keeping the output well-formed.
        Utf8FromUniCase{std::u16string{u'x', char16_t(0xD800), u'y'}, 16, "x\xef\xbf\xbdy"},
        Utf8FromUniCase{std::u16string{char16_t(0xDC00)}, 16, "\xef\xbf\xbd"},
        Utf8FromUniCase{std::u16string{char16_t(0xDC00), char16_t(0xD800)}, 16,
                        "\xef\xbf\xbd\xef\xbf\xbd"}));

struct UniFromUtf8Case {
  std::string text;
  std::size_t capacity;
  std::u16string expected;
};

class UniCharFromUtf8Test : public ::testing::TestWithParam<UniFromUtf8Case> {};

TEST_P(UniCharFromUtf8Test, DecodesTheWellFormedPrefix) {
  const auto& p = GetParam();
  UniChar buf[32];
  for (auto& u : buf) u = 0x7777;
  UniCharFromUTF8(buf, p.text.c_str(), p.capacity);
  EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(buf), UniCharLength(buf)), p.expected);
  EXPECT_EQ(buf[p.capacity], 0x7777) << "wrote past the capacity";
  EXPECT_EQ(UniCharFromUTF8(std::string_view(p.text), p.capacity), p.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UniCharFromUtf8Test,
    ::testing::Values(
        UniFromUtf8Case{"abc", 8, u"abc"},
        UniFromUtf8Case{"abc", 3, u"ab"},
        // Only capacity - 1 source bytes are looked at: "a" plus half of é.
        UniFromUtf8Case{"a\xc3\xa9", 3, u"a"},
        UniFromUtf8Case{"a\xc3\xa9", 4, u"a\u00e9"},
        // Everything from a malformed byte on is dropped.
        UniFromUtf8Case{"ab\xff" "cd", 16, u"ab"},
        UniFromUtf8Case{"\xed\xa0\x80x", 16, u""},
        // A character needing two units is not split.
        UniFromUtf8Case{"a\xf0\x9f\x98\x80", 6, u"a\U0001F600"},
        UniFromUtf8Case{"\xe6\xbc\xa2\xf0\x9f\x98\x80", 16, u"\u6f22\U0001F600"}));

TEST(Conversions, AsciiCopiesRespectTheCapacity) {
  char bytes[8];
  UTF8FromASCII(bytes, "abcdefghij", 5);
  EXPECT_STREQ(bytes, "abcd");
  UniChar units[8];
  UniCharFromASCII(units, "\xe9xyz", 3);
  EXPECT_EQ(units[0], 0xE9);
  EXPECT_EQ(units[1], 'x');
  EXPECT_EQ(units[2], 0);
  const auto src = Units(u"\u0141bc");
  ASCIIFromUniChar(bytes, src.data(), 8);
  EXPECT_STREQ(bytes, "Abc");  // the low byte of U+0141 is 'A'
  EXPECT_EQ(UniCharLength(nullptr), 0u);
  EXPECT_EQ(UniCharLength(src.data()), 3u);
  const UniChar unterminated[2] = {'a', 'b'};
  EXPECT_EQ(UniCharLength(unterminated, 2), 2u);
}

TEST(Conversions, PlatformStringsAreCutWithoutSplittingCharacters) {
  std::string out;
  // 254 ASCII bytes, then a 3-byte character that would end at byte 257.
  const std::string text = std::string(254, 'a') + "\xe6\xbc\xa2";
  EXPECT_TRUE(ConvertToUTF8(out, text));
  EXPECT_EQ(out, std::string(254, 'a'));
  EXPECT_TRUE(ConvertToASCII(out, std::string(300, 'b')));
  EXPECT_EQ(out.size(), 255u);
  EXPECT_FALSE(ConvertToASCII(out, "caf\xc3\xa9"));
  EXPECT_TRUE(out.empty());
}

}  // namespace
