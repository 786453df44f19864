// Storage encryption: known answers under the shipped seeds, sizes, round trips, refusals.
#include <gtest/gtest.h>

#include <string>

#include "EncryptLib.h"
#include "encrypt_test_util.h"

namespace nx::encrypt {
namespace {

using test::Bytes;
using test::FromHex;
using test::ToBytes;

int Encode(const Bytes& value, Bytes& out, int capacity) {
  out.assign(static_cast<std::size_t>(capacity > 0 ? capacity : 0) + 1, 0xEE);
  int n = capacity;
  const int rc = Encode_Storage(value.data(), static_cast<int>(value.size()), seed1, seed1Len,
                                seed2, seed2Len, seed3, seed3Len, out.data(), &n);
  if (rc == kEncSuccess) {
    EXPECT_EQ(out[static_cast<std::size_t>(capacity)], 0xEE) << "wrote past the capacity";
    out.resize(static_cast<std::size_t>(n));
  }
  return rc;
}

int Decode(const Bytes& cipher, Bytes& out, int capacity) {
  out.assign(static_cast<std::size_t>(capacity > 0 ? capacity : 0) + 1, 0xEE);
  int n = capacity;
  const int rc = Decode_Storage(cipher.data(), static_cast<int>(cipher.size()), seed1, seed1Len,
                                seed2, seed2Len, seed3, seed3Len, out.data(), &n);
  EXPECT_EQ(out[static_cast<std::size_t>(capacity)], 0xEE) << "wrote past the capacity";
  if (rc == kEncSuccess) out.resize(static_cast<std::size_t>(n));
  return rc;
}

// Stored passwords of every installation depend on these bytes: a change of seeds or scheme
// must fail here, not in the field. Expected values computed with the openssl command line.
TEST(StorageEncryption, KnownAnswersUnderShippedSeeds) {
  struct Case {
    const char* plain;
    const char* cipherHex;
  } cases[] = {
      {"1234", "2e73fb995a17478936c1de222847aabe"},
      {"0123456789abcdef",
       "6205f675af4092d50e7c77f3a38d75b6308b91367ed831b5380d150eab7b512e"},
      {"P@ssw0rd-with-a-long-tail-xyz",
       "0131b749247cc37c15cfade89af633cbefeb4bffb2a7bdea6a808da9336af24e"},
  };
  for (const auto& c : cases) {
    Bytes out;
    ASSERT_EQ(Encode(ToBytes(c.plain), out, 255), kEncSuccess) << c.plain;
    EXPECT_EQ(out, FromHex(c.cipherHex)) << c.plain;
    Bytes back;
    ASSERT_EQ(Decode(out, back, 255), kEncSuccess) << c.plain;
    EXPECT_EQ(back, ToBytes(c.plain));
  }
}

class StorageSizes : public ::testing::TestWithParam<int> {};

TEST_P(StorageSizes, CipherIsWholeBlocksAndRoundTrips) {
  const int n = GetParam();
  Bytes value(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) value[static_cast<std::size_t>(i)] = static_cast<unsigned char>(i * 7 + 1);
  Bytes cipher;
  ASSERT_EQ(Encode(value, cipher, StorageCipherLen(n)), kEncSuccess);  // exact capacity suffices
  EXPECT_EQ(cipher.size(), static_cast<std::size_t>(16 * (n / 16 + 1)));
  Bytes again;
  ASSERT_EQ(Encode(value, again, 9000), kEncSuccess);
  EXPECT_EQ(again, cipher) << "the storage form is deterministic";
  Bytes back;
  ASSERT_EQ(Decode(cipher, back, n), kEncSuccess);  // capacity of the plain length suffices
  EXPECT_EQ(back, value);
}

// 255 is the panels' limit; 5000 crosses the decoder's internal chunk size.
INSTANTIATE_TEST_SUITE_P(Lengths, StorageSizes,
                         ::testing::Values(0, 1, 15, 16, 17, 31, 32, 255, 4095, 4096, 5000));

TEST(StorageEncryption, RefusesArgumentsItCannotUse) {
  Bytes out(64);
  int n = 64;
  const unsigned char v[4] = {'a', 'b', 'c', 'd'};
  testing::internal::CaptureStderr();
  EXPECT_EQ(Encode_Storage(nullptr, 4, seed1, 32, seed2, 32, seed3, 16, out.data(), &n), kEncUnsupported);
  EXPECT_EQ(Encode_Storage(v, -1, seed1, 32, seed2, 32, seed3, 16, out.data(), &n), kEncUnsupported);
  EXPECT_EQ(Encode_Storage(v, 4, seed1, 32, seed2, 32, seed3, 12, out.data(), &n), kEncUnsupported);
  EXPECT_EQ(Encode_Storage(v, 4, seed1, 32, seed2, 32, seed3, 16, nullptr, &n), kEncUnsupported);
  EXPECT_EQ(Decode_Storage(v, 4, seed1, 32, seed2, 32, seed3, 16, out.data(), nullptr), kEncUnsupported);
  testing::internal::GetCapturedStderr();
}

TEST(StorageEncryption, FailuresNameTheirStep) {
  Bytes cipher;
  ASSERT_EQ(Encode(ToBytes("s3cr3t-value"), cipher, 64), kEncSuccess);
  Bytes tampered = cipher;
  tampered.back() ^= 0x5A;  // breaks the padding
  Bytes truncated(cipher.begin(), cipher.end() - 1);

  struct Case {
    const char* what;
    bool encode;
    Bytes input;
    int capacity;
    const char* message;
  } cases[] = {
      {"encode, capacity below the cipher length", true, ToBytes("0123456789abcdef"), 31,
       "ERROR[52]: AES Encrypt failed["},
      {"decode, bad padding", false, tampered, 64, "ERROR[97]: AES Decrypt failed["},
      {"decode, not whole blocks", false, truncated, 64, "ERROR[97]: AES Decrypt failed["},
      {"decode, empty cipher text", false, Bytes{}, 64, "ERROR[97]: AES Decrypt failed["},
      {"decode, plain text longer than the capacity", false, cipher, 11,
       "ERROR[97]: AES Decrypt failed["},
  };
  for (const auto& c : cases) {
    Bytes out;
    testing::internal::CaptureStderr();
    const int rc = c.encode ? Encode(c.input, out, c.capacity) : Decode(c.input, out, c.capacity);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(rc, kEncCryptoFailed) << c.what;
    EXPECT_NE(err.find(c.message), std::string::npos) << c.what << ": " << err;
    EXPECT_EQ(err.find("s3cr3t"), std::string::npos) << c.what;
    if (!c.encode) {
      // Nothing of the plain value is left in the caller's buffer after a refusal.
      EXPECT_EQ(std::string(out.begin(), out.end()).find("s3cr3t"), std::string::npos) << c.what;
    }
  }
}

TEST(StorageEncryption, OtherSeedsGiveAnotherCipher) {
  // The seeds are parameters: a caller passing other key material gets another cipher text,
  // and only that material opens it.
  const Bytes value = ToBytes("1234");
  unsigned char other1[32] = {1};
  Bytes a(32), b(32);
  int na = 32, nb = 32;
  ASSERT_EQ(Encode_Storage(value.data(), 4, seed1, 32, seed2, 32, seed3, 16, a.data(), &na), kEncSuccess);
  ASSERT_EQ(Encode_Storage(value.data(), 4, other1, 32, seed2, 32, seed3, 16, b.data(), &nb), kEncSuccess);
  EXPECT_NE(a, b);
  Bytes back(32);
  int nback = 32;
  testing::internal::CaptureStderr();
  const int rc = Decode_Storage(b.data(), nb, seed1, 32, seed2, 32, seed3, 16, back.data(), &nback);
  testing::internal::GetCapturedStderr();
  EXPECT_TRUE(rc == kEncCryptoFailed || Bytes(back.begin(), back.begin() + nback) != value);
}

}  // namespace
}  // namespace nx::encrypt
