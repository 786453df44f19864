// XOR scrambling and base64 with the system's result codes.
#include <gtest/gtest.h>

#include <string>

#include "EncryptLib.h"
#include "encrypt_test_util.h"

namespace nx::encrypt {
namespace {

using test::Bytes;
using test::ToBytes;

TEST(XorScrambling, KeyBytesAreTheLittleEndianKey) {
  EXPECT_EQ(xspkey[0], 0x17);
  EXPECT_EQ(xspkey[1], 0x9E);
  EXPECT_EQ(xspkey[2], 0x3C);
  EXPECT_EQ(xspkey[3], 0x5A);
}

TEST(XorScrambling, WholeGroupsAsLittleEndianWordsThenTheTail) {
  const unsigned char in[6] = {0x01, 0x02, 0x03, 0x04, 0xA0, 0xB0};
  const unsigned char expected[6] = {0x01 ^ 0x17, 0x02 ^ 0x9E, 0x03 ^ 0x3C, 0x04 ^ 0x5A,
                                     0xA0 ^ 0x17, 0xB0 ^ 0x9E};
  unsigned char out[8] = {};
  int n = -5;
  ASSERT_EQ(XSPEncrypt(in, 6, out, &n, 8), kXspSuccess);
  EXPECT_EQ(n, 6);
  EXPECT_EQ(Bytes(out, out + 6), Bytes(expected, expected + 6));
  EXPECT_EQ(out[6], 0) << "nothing written past the input length";
}

class XorLengths : public ::testing::TestWithParam<int> {};

TEST_P(XorLengths, IsItsOwnInverseAndStopsAtTheCapacity) {
  const int len = GetParam();
  Bytes in(static_cast<std::size_t>(len));
  for (int i = 0; i < len; ++i) in[static_cast<std::size_t>(i)] = static_cast<unsigned char>(i * 37 + 3);
  Bytes once(static_cast<std::size_t>(len)), twice(static_cast<std::size_t>(len));
  int n1 = 0, n2 = 0;
  ASSERT_EQ(XSPEncrypt(in.data(), len, once.data(), &n1, len), kXspSuccess);
  ASSERT_EQ(XSPEncrypt(once.data(), len, twice.data(), &n2, len), kXspSuccess);
  EXPECT_EQ(n1, len);
  EXPECT_EQ(twice, in);
  for (int i = 0; i < len; ++i) {
    EXPECT_EQ(once[static_cast<std::size_t>(i)], in[static_cast<std::size_t>(i)] ^ xspkey[i % 4]);
  }
  Bytes inPlace = in;  // the phonebook fields are transformed in place
  ASSERT_EQ(XSPEncrypt(inPlace.data(), len, inPlace.data(), &n1, len), kXspSuccess);
  EXPECT_EQ(inPlace, once);

  // One byte short: the whole groups that fit are written and counted, then -3.
  Bytes out(static_cast<std::size_t>(len), 0);
  int n = -1;
  EXPECT_EQ(XSPEncrypt(in.data(), len, out.data(), &n, len - 1 < 1 ? 1 : len - 1),
            len == 1 ? kXspSuccess : kXspNoRoom);
  if (len > 1) {
    EXPECT_EQ(n, len % 4 == 0 ? len - 4 : len - len % 4);
  }
}

INSTANTIATE_TEST_SUITE_P(Lengths, XorLengths, ::testing::Values(1, 2, 3, 4, 5, 6, 7, 8, 9, 255));

TEST(XorScrambling, ResultCodes) {
  unsigned char buf[8] = {};
  int n = 0;
  EXPECT_EQ(XSPEncrypt(nullptr, 4, buf, &n, 8), kXspNullPointer);
  EXPECT_EQ(XSPEncrypt(buf, 4, nullptr, &n, 8), kXspNullPointer);
  EXPECT_EQ(XSPEncrypt(buf, 4, buf, nullptr, 8), kXspNullPointer);
  EXPECT_EQ(XSPEncrypt(buf, 0, buf, &n, 8), kXspBadLength);
  EXPECT_EQ(XSPEncrypt(buf, -4, buf, &n, 8), kXspBadLength);
  EXPECT_EQ(XSPEncrypt(buf, 4, buf, &n, 0), kXspBadLength);
  n = -1;
  EXPECT_EQ(XSPEncrypt(buf, 8, buf, &n, 5), kXspNoRoom);
  EXPECT_EQ(n, 4);
  EXPECT_EQ(XSPEncrypt(buf, 3, buf, &n, 2), kXspNoRoom);
  EXPECT_EQ(n, 0);
}

TEST(Base64, EncodesTheStandardVectorsWithoutTerminator) {
  struct Case {
    const char* bin;
    const char* b64;
  } cases[] = {{"abc", "YWJj"},     {"f", "Zg=="},         {"fo", "Zm8="},
               {"foo", "Zm9v"},     {"foob", "Zm9vYg=="},  {"fooba", "Zm9vYmE="},
               {"foobar", "Zm9vYmFy"}, {"\xff\xfe\xfd", "//79"}, {"\xfb\xef", "++8="}};
  for (const auto& c : cases) {
    const std::string bin = c.bin;
    const std::string want = c.b64;
    std::string out(want.size() + 1, '#');
    int n = 0;
    ASSERT_EQ(XSPBinToB64(bin.data(), static_cast<int>(bin.size()), out.data(), &n,
                          static_cast<int>(want.size())),
              kXspSuccess)
        << c.b64;
    EXPECT_EQ(n, static_cast<int>(want.size()));
    EXPECT_EQ(out, want + "#");
    Bytes back(bin.size() + 2);
    ASSERT_EQ(XSPB64ToBin(want.data(), static_cast<int>(want.size()), back.data(), &n,
                          static_cast<int>(bin.size())),
              kXspSuccess)
        << c.b64;
    EXPECT_EQ(std::string(back.begin(), back.begin() + n), bin);
  }
}

TEST(Base64, RoundTripsLongBinary) {
  for (int len : {1, 143, 144, 145, 1000, 3001}) {  // around the encoder's 144-byte chunk
    Bytes bin(static_cast<std::size_t>(len));
    for (int i = 0; i < len; ++i) bin[static_cast<std::size_t>(i)] = static_cast<unsigned char>(i * 131 + 7);
    std::string text(static_cast<std::size_t>(4 * ((len + 2) / 3)), '\0');
    int n = 0;
    ASSERT_EQ(XSPBinToB64(bin.data(), len, text.data(), &n, static_cast<int>(text.size())), kXspSuccess);
    Bytes back(static_cast<std::size_t>(len));
    ASSERT_EQ(XSPB64ToBin(text.data(), n, back.data(), &n, len), kXspSuccess) << len;
    EXPECT_EQ(n, len);
    EXPECT_EQ(back, bin) << len;
  }
}

TEST(Base64, EncoderResultCodes) {
  char out[16];
  int n = 0;
  EXPECT_EQ(XSPBinToB64(nullptr, 3, out, &n, 16), kXspNullPointer);
  EXPECT_EQ(XSPBinToB64("abc", 3, nullptr, &n, 16), kXspNullPointer);
  EXPECT_EQ(XSPBinToB64("abc", 3, out, nullptr, 16), kXspNullPointer);
  EXPECT_EQ(XSPBinToB64("abc", 0, out, &n, 16), kXspBadLength);
  EXPECT_EQ(XSPBinToB64("abc", 3, out, &n, -1), kXspBadLength);
  n = 0;
  EXPECT_EQ(XSPBinToB64("abcd", 4, out, &n, 7), kXspNoRoom);
  EXPECT_EQ(n, 8) << "the needed size";
}

TEST(Base64, DecoderResultCodes) {
  unsigned char out[16];
  int n = 0;
  EXPECT_EQ(XSPB64ToBin(nullptr, 4, out, &n, 16), kXspNullPointer);
  EXPECT_EQ(XSPB64ToBin("YWJj", 4, nullptr, &n, 16), kXspNullPointer);
  EXPECT_EQ(XSPB64ToBin("YWJj", 4, out, nullptr, 16), kXspNullPointer);
  EXPECT_EQ(XSPB64ToBin("YWJjYW", 6, out, &n, 16), kXspBadLength);
  EXPECT_EQ(XSPB64ToBin("", 0, out, &n, 16), kXspBadLength);
  EXPECT_EQ(XSPB64ToBin("YWJj", -4, out, &n, 16), kXspBadLength);
  EXPECT_EQ(XSPB64ToBin("YWJj", 4, out, &n, -1), kXspBadLength);
  n = 0;
  EXPECT_EQ(XSPB64ToBin("Zm9vYg==", 8, out, &n, 3), kXspNoRoom);
  EXPECT_EQ(n, 4) << "3 x 8 / 4 less two pad characters";
  EXPECT_EQ(XSPB64ToBin("Zm9vYmFy", 8, out, &n, 5), kXspNoRoom);
  EXPECT_EQ(n, 6);
}

TEST(Base64, DecoderSkipsWhiteSpaceStopsAtPadAndTakesAnyByte) {
  struct Case {
    std::string text;
    int capacity;
    int rc;
    int n;  // decoded count, or the needed size for -3
    std::string want;
  } cases[] = {
      {" YWJj\t\r\n    ", 16, kXspSuccess, 3, "abc"},  // white space before and after
      {"Y W J j ", 16, kXspSuccess, 3, "abc"},         // between every character
      {"YW\nJj", 16, kXspBadLength, -1, ""},           // 5 characters: not a multiple of four
      {"Zg==Zm9v", 16, kXspSuccess, 1, "f"},           // decoding stops at the first "="
      {"====", 0, kXspSuccess, 0, ""},                 // nothing before the pad
      {"YWJj\n\n\n\n", 3, kXspNoRoom, 6, ""},          // white space counts in the needed size
  };
  for (const auto& c : cases) {
    Bytes out(32, 0xEE);
    int n = -1;
    const int rc = XSPB64ToBin(c.text.data(), static_cast<int>(c.text.size()), out.data(), &n, c.capacity);
    EXPECT_EQ(rc, c.rc) << c.text;
    EXPECT_EQ(n, c.n) << c.text;
    if (rc != kXspSuccess) continue;
    EXPECT_EQ(std::string(out.begin(), out.begin() + n), c.want) << c.text;
    EXPECT_EQ(out[static_cast<std::size_t>(n)], 0xEE) << c.text;
  }
  // Characters outside the alphabet count as zero bits rather than failing the decode.
  unsigned char out[4];
  int n = 0;
  ASSERT_EQ(XSPB64ToBin("Y-Jj", 4, out, &n, 4), kXspSuccess);
  EXPECT_EQ(n, 3);
  EXPECT_EQ(out[0], 0x60);
}

TEST(Base64, AddressFileCopiesBehaveTheSame) {
  char text[8];
  int n = 0;
  ASSERT_EQ(XspBinToB64("abc", 3, text, &n, 4), kXspSuccess);
  EXPECT_EQ(std::string(text, 4), "YWJj");
  unsigned char bin[4];
  ASSERT_EQ(XspB64ToBin("YWJj", 4, bin, &n, 3), kXspSuccess);
  EXPECT_EQ(std::string(bin, bin + n), "abc");
  EXPECT_EQ(XspB64ToBin("YWJjYW", 6, bin, &n, 3), kXspBadLength);
  EXPECT_EQ(XspBinToB64("abcd", 4, text, &n, 7), kXspNoRoom);
  EXPECT_EQ(n, 8);
}

}  // namespace
}  // namespace nx::encrypt
