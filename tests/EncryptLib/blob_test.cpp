// Device-key blob: opened the way a device opens it (test private key, OpenSSL only), every
// header field, the refusals, and keys other than the built-in one.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "EncryptLib.h"
#include "encrypt_test_util.h"

namespace nx::encrypt {
namespace {

using test::Bytes;
using test::Le32;
using test::ToBytes;

struct Result {
  int rc;
  Bytes blob;
  std::string err;
};

Result Blob(int mode, int keyType, const Bytes& value, const std::string& keyText, int capacity) {
  Result r;
  r.blob.assign(static_cast<std::size_t>(capacity) + 1, 0xEE);
  int n = capacity;
  testing::internal::CaptureStderr();
  r.rc = SecBlobEnc_KT_Encrypt(mode, keyType, value.data(), static_cast<int>(value.size()),
                               keyText.data(), static_cast<int>(keyText.size()), r.blob.data(), &n);
  r.err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(r.blob[static_cast<std::size_t>(capacity)], 0xEE) << "wrote past the capacity";
  r.blob.resize(r.rc == kEncSuccess ? static_cast<std::size_t>(n) : 0);
  return r;
}

const std::string kBuiltInKey(RSA_PUBKEY_2048_OFFICIAL, RSA_PUBKEY_2048_OFFICIAL_LEN);

TEST(DeviceKey, BuiltInKeyTextIsTheTestKeyInItsShippedForm) {
  ASSERT_EQ(std::strlen(RSA_PUBKEY_2048_OFFICIAL), 399u);
  for (std::size_t pos = 0; pos < kBuiltInKey.size();) {  // 64-character lines, each ended by LF
    const std::size_t eol = kBuiltInKey.find('\n', pos);
    ASSERT_NE(eol, std::string::npos);
    EXPECT_TRUE(eol - pos == 64 || eol + 1 == kBuiltInKey.size()) << "line at " << pos;
    pos = eol + 1;
  }
  test::Pkey priv = test::LoadTestPrivateKey();
  ASSERT_TRUE(priv);
  EXPECT_EQ(test::PublicKeyText(priv.get()), kBuiltInKey);
  const Bytes der = test::PublicKeyDer(priv.get());
  EXPECT_EQ(der.size(), 294u);
  EXPECT_EQ(test::Sha256(der), Bytes(pubkey2048_OFFICIAL_SHA256, pubkey2048_OFFICIAL_SHA256 + 32));

  unsigned char fp[32];
  ASSERT_EQ(SecBlobEnc_KeyFingerprint(RSA_PUBKEY_2048_OFFICIAL, RSA_PUBKEY_2048_OFFICIAL_LEN, fp), kEncSuccess);
  EXPECT_EQ(0, std::memcmp(fp, pubkey2048_OFFICIAL_SHA256, 32));
}

class BlobLengths : public ::testing::TestWithParam<int> {};

TEST_P(BlobLengths, DeviceOpensEncodeRandomBlobAndHeaderIsExact) {
  const int n = GetParam();
  Bytes value(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) value[static_cast<std::size_t>(i)] = static_cast<unsigned char>('!' + i % 90);
  const int expected = 352 + 16 * (n / 16 + 1);
  ASSERT_EQ(BlobLen(n), expected);

  Bytes blob(static_cast<std::size_t>(expected) + 1, 0xEE);
  int len = expected;  // exactly the blob's size is enough
  ASSERT_EQ(Encode_Random(value.data(), n, blob.data(), &len), kEncSuccess);
  ASSERT_EQ(len, expected);
  EXPECT_EQ(blob[static_cast<std::size_t>(expected)], 0xEE);
  blob.resize(static_cast<std::size_t>(len));

  EXPECT_EQ(blob[0], 8);
  EXPECT_EQ(blob[1], 1);
  EXPECT_EQ(Le32(&blob[2]), static_cast<std::uint32_t>(expected - 352));
  EXPECT_EQ(Le32(&blob[6]), static_cast<std::uint32_t>(expected));
  EXPECT_EQ(blob[10], 1);  // AES-256-CBC
  EXPECT_EQ(blob[11], 0);  // 2048-bit key
  EXPECT_EQ(Le32(&blob[12]), 0u);
  EXPECT_EQ(Bytes(blob.begin() + 16, blob.begin() + 48),
            Bytes(pubkey2048_OFFICIAL_SHA256, pubkey2048_OFFICIAL_SHA256 + 32));

  test::Pkey priv = test::LoadTestPrivateKey();
  ASSERT_TRUE(priv);
  EXPECT_EQ(test::OpenBlob(blob, priv.get()), std::string(value.begin(), value.end()));
}

// 5 is the worked example (368 bytes); 255 is the filter's password limit; 99500 the largest.
INSTANTIATE_TEST_SUITE_P(Lengths, BlobLengths, ::testing::Values(0, 1, 5, 15, 16, 17, 255, 99500));

TEST(DeviceKeyBlob, FreshRandomnessEveryTime) {
  const Bytes value = ToBytes("1234");
  Result a = Blob(kAesModeCbc, kKeyType2048, value, kBuiltInKey, 400);
  Result b = Blob(kAesModeCbc, kKeyType2048, value, kBuiltInKey, 400);
  ASSERT_EQ(a.rc, kEncSuccess);
  ASSERT_EQ(b.rc, kEncSuccess);
  ASSERT_EQ(a.blob.size(), b.blob.size());
  auto part = [](const Bytes& blob, std::size_t from, std::size_t len) {
    return Bytes(blob.begin() + static_cast<long>(from), blob.begin() + static_cast<long>(from + len));
  };
  EXPECT_NE(part(a.blob, 48, 32), part(b.blob, 48, 32));    // M
  EXPECT_NE(part(a.blob, 80, 256), part(b.blob, 80, 256));  // wrapped S
  EXPECT_NE(part(a.blob, 336, 16), part(b.blob, 336, 16));  // IV
  EXPECT_NE(part(a.blob, 352, 16), part(b.blob, 352, 16));  // cipher text
}

TEST(DeviceKeyBlob, RefusalsAndFailuresGiveTheirCodeAndMessage) {
  const std::string secret = "Pw-7391-secret";
  const Bytes value = ToBytes(secret);
  const Bytes tooLong(99501, 'x');
  std::string garbledKey = kBuiltInKey;
  garbledKey[0] = 'A';  // breaks the outer DER sequence
  struct Case {
    const char* what;
    int mode;
    int keyType;
    const Bytes* value;
    std::string key;
    int capacity;
    int rc;
    const char* message;
  } cases[] = {
      {"too long", 1, 0, &tooLong, kBuiltInKey, 120000, kEncUnsupported,
       "ERROR[88]: too long bufLen [99501].\n"},
      {"key type 2", 1, 2, &value, kBuiltInKey, 2000, kEncUnsupported,
       "ERROR[106]: invalid key type[2].\n"},
      {"key type -1", 1, -1, &value, kBuiltInKey, 2000, kEncUnsupported,
       "ERROR[106]: invalid key type[-1].\n"},
      {"3072 type with a 2048-bit key", 1, 1, &value, kBuiltInKey, 2000, kEncUnsupported,
       "ERROR[106]: invalid key type[1].\n"},
      {"the other AES mode", 2, 0, &value, kBuiltInKey, 2000, kEncUnsupported,
       "AES Error. Unsupported AES Mode."},
      {"mode 0", 0, 0, &value, kBuiltInKey, 2000, kEncUnsupported, "AES Error. Unsupported AES Mode."},
      {"output too small", 1, 0, &value, kBuiltInKey, BlobLen(14) - 1, kEncUnsupported,
       "Output buffer too small"},
      {"key text not base64", 1, 0, &value, "not a key!", 2000, kEncCryptoFailed,
       "ERROR[150]: RSA Encrypt failed["},
      {"key text garbled", 1, 0, &value, garbledKey, 2000, kEncCryptoFailed,
       "ERROR[150]: RSA Encrypt failed["},
      {"empty key text", 1, 0, &value, "", 2000, kEncCryptoFailed, "RSA Error["},
  };
  for (const auto& c : cases) {
    Result r = Blob(c.mode, c.keyType, *c.value, c.key, c.capacity);
    EXPECT_EQ(r.rc, c.rc) << c.what;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << c.what << ": " << r.err;
    EXPECT_EQ(r.err.find(secret), std::string::npos) << c.what;
  }
}

TEST(DeviceKeyBlob, MissingPointersAreRefused) {
  int n = 2000;
  Bytes out(2000);
  testing::internal::CaptureStderr();
  EXPECT_EQ(Encode_Random(nullptr, 4, out.data(), &n), kEncUnsupported);
  EXPECT_EQ(Encode_Random("1234", 4, nullptr, &n), kEncUnsupported);
  EXPECT_EQ(Encode_Random("1234", 4, out.data(), nullptr), kEncUnsupported);
  EXPECT_EQ(Encode_Random("1234", -1, out.data(), &n), kEncUnsupported);
  EXPECT_EQ(SecBlobEnc_KT_Encrypt(1, 0, "1234", 4, nullptr, 0, out.data(), &n), kEncUnsupported);
  testing::internal::GetCapturedStderr();
}

// A deployment's own device key: the blob names it by the SHA-256 of its DER form and the
// holder of its private half opens it.
TEST(DeviceKeyBlob, DeploymentKeysOf2048And3072Bits) {
  struct Case {
    unsigned bits;
    bool pem;
    int keyType;
  } cases[] = {{2048, false, kKeyType2048}, {2048, true, kKeyType2048}, {3072, false, kKeyType3072}};
  for (const auto& c : cases) {
    test::Pkey key = test::GenerateRsaKey(c.bits);
    ASSERT_TRUE(key);
    const std::string text = test::PublicKeyText(key.get(), c.pem);
    const Bytes fp = test::Sha256(test::PublicKeyDer(key.get()));
    const std::string secret = "deploy-" + std::to_string(c.bits);
    const int rsaLen = static_cast<int>(c.bits / 8);

    Bytes blob(2000);
    int n = 2000;
    ASSERT_EQ(Encode_RandomWithKey(secret.data(), static_cast<int>(secret.size()), text.data(),
                                   static_cast<int>(text.size()), blob.data(), &n),
              kEncSuccess)
        << c.bits;
    ASSERT_EQ(n, BlobLen(static_cast<int>(secret.size()), rsaLen));
    blob.resize(static_cast<std::size_t>(n));
    EXPECT_EQ(blob[11], c.keyType);
    EXPECT_EQ(Le32(&blob[6]), static_cast<std::uint32_t>(n));
    EXPECT_EQ(Bytes(blob.begin() + 16, blob.begin() + 48), fp);
    EXPECT_EQ(test::OpenBlob(blob, key.get()), secret);

    unsigned char got[32];
    ASSERT_EQ(SecBlobEnc_KeyFingerprint(text.data(), static_cast<int>(text.size()), got), kEncSuccess);
    EXPECT_EQ(Bytes(got, got + 32), fp);

    // A blob naming the other key type would be unreadable: refused.
    Result wrongType = Blob(kAesModeCbc, c.keyType == 0 ? 1 : 0, ToBytes(secret), text, 2000);
    EXPECT_EQ(wrongType.rc, kEncUnsupported);
  }
}

// Going back and forth between two keys, each blob is wrapped under the key it was given.
TEST(DeviceKeyBlob, EachBlobUnderTheKeyItWasGiven) {
  test::Pkey first = test::GenerateRsaKey(2048);
  test::Pkey second = test::GenerateRsaKey(2048);
  ASSERT_TRUE(first && second);
  for (EVP_PKEY* key : {first.get(), second.get(), first.get(), first.get(), second.get()}) {
    const std::string text = test::PublicKeyText(key, false);
    Bytes blob(2000);
    int n = 2000;
    ASSERT_EQ(Encode_RandomWithKey("1234", 4, text.data(), static_cast<int>(text.size()), blob.data(), &n),
              kEncSuccess);
    blob.resize(static_cast<std::size_t>(n));
    EXPECT_EQ(Bytes(blob.begin() + 16, blob.begin() + 48), test::Sha256(test::PublicKeyDer(key)));
    EXPECT_EQ(test::OpenBlob(blob, key), "1234");
  }
}

TEST(DeviceKeyBlob, KeysOfOtherSizesAndKindsAreRefused) {
  test::Pkey small = test::GenerateRsaKey(1024);
  ASSERT_TRUE(small);
  const std::string text = test::PublicKeyText(small.get());
  Bytes out(2000);
  int n = 2000;
  testing::internal::CaptureStderr();
  EXPECT_EQ(Encode_RandomWithKey("1234", 4, text.data(), static_cast<int>(text.size()), out.data(), &n),
            kEncUnsupported);
  unsigned char fp[32];
  EXPECT_EQ(SecBlobEnc_KeyFingerprint(text.data(), static_cast<int>(text.size()), fp), kEncUnsupported);

  test::Pkey ec(EVP_PKEY_Q_keygen(nullptr, nullptr, "EC", "P-256"));
  ASSERT_TRUE(ec);
  const std::string ecText = test::PublicKeyText(ec.get());
  EXPECT_EQ(Encode_RandomWithKey("1234", 4, ecText.data(), static_cast<int>(ecText.size()), out.data(), &n),
            kEncCryptoFailed);
  EXPECT_EQ(SecBlobEnc_KeyFingerprint(ecText.data(), static_cast<int>(ecText.size()), fp), kEncCryptoFailed);
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("ERROR[150]: RSA Encrypt failed["), std::string::npos) << err;
}

TEST(DeviceKeyBlob, KeyTextIsReadOnlyWithinItsLength) {
  // The text is taken as exactly pubKeyTextLen bytes: a cut key fails, nothing past it is read.
  Result cut = Blob(kAesModeCbc, kKeyType2048, ToBytes("1234"), kBuiltInKey.substr(0, 200), 2000);
  EXPECT_EQ(cut.rc, kEncCryptoFailed);
  // Windows line ends and a missing final LF are still the same key.
  std::string crlf;
  for (char ch : kBuiltInKey) {
    if (ch == '\n') crlf += '\r';
    crlf += ch;
  }
  crlf.pop_back();
  Result r = Blob(kAesModeCbc, kKeyType2048, ToBytes("1234"), crlf, 2000);
  ASSERT_EQ(r.rc, kEncSuccess) << r.err;
  EXPECT_EQ(Bytes(r.blob.begin() + 16, r.blob.begin() + 48),
            Bytes(pubkey2048_OFFICIAL_SHA256, pubkey2048_OFFICIAL_SHA256 + 32));
}

// The filter's re-encryption of a stored password, with the buffer sizes its callers use: the
// panels keep base64(Encode_Storage(p)); the device receives base64(Encode_Random(p)).
// 239 bytes is the longest password whose stored cipher (240 bytes) fits the 255-byte step.
TEST(DeviceKeyBlob, StoredPasswordReachesTheDevice) {
  test::Pkey priv = test::LoadTestPrivateKey();
  ASSERT_TRUE(priv);
  for (const std::string& password : {std::string("1234"), std::string(239, 'p')}) {
    unsigned char stored[256];
    int storedLen = sizeof stored;
    ASSERT_EQ(Encode_Storage(password.data(), static_cast<int>(password.size()), seed1, seed1Len,
                             seed2, seed2Len, seed3, seed3Len, stored, &storedLen),
              kEncSuccess);
    char ticket[2048] = {};
    int ticketLen = 0;
    ASSERT_EQ(XSPBinToB64(stored, storedLen, ticket, &ticketLen, 2047), kXspSuccess);

    unsigned char cipher[255];
    int cipherLen = 0;
    ASSERT_EQ(XSPB64ToBin(ticket, ticketLen, cipher, &cipherLen, sizeof cipher), kXspSuccess);
    unsigned char plain[255];
    int plainLen = sizeof plain;
    ASSERT_EQ(Decode_Storage(cipher, cipherLen, seed1, seed1Len, seed2, seed2Len, seed3, seed3Len,
                             plain, &plainLen),
              kEncSuccess);
    unsigned char blob[2000];
    int blobLen = sizeof blob;
    ASSERT_EQ(Encode_Random(plain, plainLen, blob, &blobLen), kEncSuccess);
    char line[2048] = {};
    int lineLen = 0;
    ASSERT_EQ(XSPBinToB64(blob, blobLen, line, &lineLen, 2047), kXspSuccess);

    Bytes received(static_cast<std::size_t>(blobLen));
    int receivedLen = 0;
    ASSERT_EQ(XSPB64ToBin(line, lineLen, received.data(), &receivedLen, blobLen), kXspSuccess);
    EXPECT_EQ(test::OpenBlob(received, priv.get()), password);
  }
}

TEST(RandomSource, FillsTheBufferAndRefusesBadArguments) {
  unsigned char a[64] = {}, b[64] = {};
  ASSERT_EQ(Generate_Random(64, a), 0);
  ASSERT_EQ(Generate_Random(64, b), 0);
  EXPECT_NE(0, std::memcmp(a, b, 64));
  EXPECT_EQ(Generate_Random(0, nullptr), 0);
  testing::internal::CaptureStderr();
  EXPECT_NE(Generate_Random(-1, a), 0);
  EXPECT_NE(Generate_Random(4, nullptr), 0);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("Generate Random Error["), std::string::npos);
}

}  // namespace
}  // namespace nx::encrypt
