// Password ticket values: kept as written, or re-encrypted for the device when the queue's PPD
// asks for it. Blobs are opened here the way a device would, with the test private key.
#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "EncryptLib.h"
#include "TicketReader.h"
#include "TicketTestSupport.h"

namespace nx::filter {
namespace {

using test::ScopedEnv;
using test::TempFolder;
using test::TicketForm;
using test::WriteFile;

const std::string kPrivateKeyPath =
    std::string(NX_SOURCE_DIR) + "/tests/keys/TEST_KEY_device_rsa2048_private.pem";
const std::string kPublicKeyPath =
    std::string(NX_SOURCE_DIR) + "/tests/keys/TEST_KEY_device_rsa2048_public.pem";

std::string Ppd(const char* encryptionDefault) {
  std::string ppd =
      "*PPD-Adobe: \"4.3\"\n*FormatVersion: \"4.3\"\n*FileVersion: \"1.0\"\n"
      "*LanguageVersion: English\n*LanguageEncoding: ISOLatin1\n*PCFileName: \"TEST.PPD\"\n"
      "*Manufacturer: \"Test\"\n*Product: \"(Test)\"\n*ModelName: \"Test\"\n"
      "*ShortNickName: \"Test\"\n*NickName: \"Test\"\n*PSVersion: \"(3010.000) 0\"\n";
  if (encryptionDefault != nullptr) {
    ppd += std::string("*OpenUI *NXEncryptionSetting/Password Encryption: PickOne\n") +
           "*DefaultNXEncryptionSetting: " + encryptionDefault + "\n" +
           "*NXEncryptionSetting Old/Old: \"\"\n*NXEncryptionSetting New/New: \"\"\n" +
           "*CloseUI: *NXEncryptionSetting\n";
  }
  return ppd;
}

std::string Base64(const std::vector<unsigned char>& bytes) {
  std::string out(4 * (bytes.size() / 3 + 1) + 1, '\0');
  int n = 0;
  EXPECT_EQ(nx::encrypt::XSPBinToB64(bytes.data(), static_cast<int>(bytes.size()), out.data(), &n,
                                     static_cast<int>(out.size())),
            0);
  out.resize(static_cast<std::size_t>(n));
  return out;
}

std::vector<unsigned char> Unbase64(const std::string& text) {
  std::vector<unsigned char> out(text.size());
  int n = 0;
  EXPECT_EQ(nx::encrypt::XSPB64ToBin(text.data(), static_cast<int>(text.size()), out.data(), &n,
                                     static_cast<int>(out.size())),
            0);
  out.resize(static_cast<std::size_t>(n));
  return out;
}

std::string StorageTicketValue(const std::string& password) {
  std::vector<unsigned char> cipher(
      nx::encrypt::StorageCipherLen(static_cast<int>(password.size())));
  int n = static_cast<int>(cipher.size());
  namespace enc = nx::encrypt;
  EXPECT_EQ(enc::Encode_Storage(password.data(), static_cast<int>(password.size()), enc::seed1,
                                enc::seed1Len, enc::seed2, enc::seed2Len, enc::seed3, enc::seed3Len,
                                cipher.data(), &n),
            0);
  cipher.resize(static_cast<std::size_t>(n));
  return Base64(cipher);
}

// Opens a mode-1 device blob with the test private key: RSA-OAEP-SHA256 gives the HMAC key S,
// K = HMAC-SHA256(S, M), AES-256-CBC under K gives the value.
std::string OpenDeviceBlob(const std::vector<unsigned char>& blob) {
  if (blob.size() < 352) return "<short blob>";
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(std::fopen(kPrivateKeyPath.c_str(), "r"),
                                                    std::fclose);
  if (!f) return "<no key>";
  std::unique_ptr<EVP_PKEY, void (*)(EVP_PKEY*)> key(
      PEM_read_PrivateKey(f.get(), nullptr, nullptr, nullptr), EVP_PKEY_free);
  std::unique_ptr<EVP_PKEY_CTX, void (*)(EVP_PKEY_CTX*)> ctx(EVP_PKEY_CTX_new(key.get(), nullptr),
                                                             EVP_PKEY_CTX_free);
  unsigned char secret[512];
  size_t secretLen = sizeof secret;
  if (!key || !ctx || EVP_PKEY_decrypt_init(ctx.get()) <= 0 ||
      EVP_PKEY_CTX_set_rsa_padding(ctx.get(), RSA_PKCS1_OAEP_PADDING) <= 0 ||
      EVP_PKEY_CTX_set_rsa_oaep_md(ctx.get(), EVP_sha256()) <= 0 ||
      EVP_PKEY_CTX_set_rsa_mgf1_md(ctx.get(), EVP_sha256()) <= 0 ||
      EVP_PKEY_decrypt(ctx.get(), secret, &secretLen, blob.data() + 80, 256) <= 0 ||
      secretLen != 32) {
    return "<rsa failed>";
  }
  unsigned char k[32];
  unsigned int kLen = 0;
  HMAC(EVP_sha256(), secret, 32, blob.data() + 48, 32, k, &kLen);
  std::unique_ptr<EVP_CIPHER_CTX, void (*)(EVP_CIPHER_CTX*)> aes(EVP_CIPHER_CTX_new(),
                                                                 EVP_CIPHER_CTX_free);
  std::vector<unsigned char> plain(blob.size());
  int n1 = 0, n2 = 0;
  if (!aes ||
      EVP_DecryptInit_ex(aes.get(), EVP_aes_256_cbc(), nullptr, k, blob.data() + 336) != 1 ||
      EVP_DecryptUpdate(aes.get(), plain.data(), &n1, blob.data() + 352,
                        static_cast<int>(blob.size() - 352)) != 1 ||
      EVP_DecryptFinal_ex(aes.get(), plain.data() + n1, &n2) != 1) {
    return "<aes failed>";
  }
  return std::string(reinterpret_cast<char*>(plain.data()), static_cast<std::size_t>(n1 + n2));
}

class TicketPasswordTest : public ::testing::Test {
 protected:
  // Reads `value` through the password reader with the given PPD (nullptr: no PPD at all).
  int Read(const std::string& value, const char* encryptionDefault, bool withPpd = true) {
    const std::string ppdPath = folder_.File("test.ppd");
    WriteFile(ppdPath, Ppd(encryptionDefault));
    ScopedEnv ppd("PPD", withPpd ? std::optional<std::string>(ppdPath) : std::nullopt);
    ScopedEnv system("NX_SYSTEM_DIR", systemDir_);
    const std::string options = "pw=" + value;
    const auto job = test::JobWith(options);
    std::memset(dest_, 'X', sizeof dest_);
    return GetTicketPasswordStringConvertedToEncryption("pw", *job, dest_, sizeof dest_);
  }

  TempFolder folder_;
  std::string systemDir_ = folder_.path();  // no installed device key
  char dest_[kTicketPasswordSize];
};

TEST_F(TicketPasswordTest, ReEncryptedForTheDeviceWhenThePpdSaysNew) {
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(Read(TicketForm(StorageTicketValue("1234")), "New"), 1);
  const std::string err = ::testing::internal::GetCapturedStderr();
  const std::vector<unsigned char> blob = Unbase64(dest_);
  ASSERT_EQ(blob.size(), 352u + 16u);  // 352 + 16 x (4 / 16 + 1)
  EXPECT_EQ(blob[0], 8);
  EXPECT_EQ(blob[1], 1);
  EXPECT_EQ(OpenDeviceBlob(blob), "1234");
  EXPECT_EQ(err.find("1234"), std::string::npos);
}

TEST_F(TicketPasswordTest, ByteListFormOfTheStoredValueIsDecodedFirst) {
  const std::string stored = StorageTicketValue("secret-pass");
  std::string list;
  for (unsigned char c : stored) list += "/" + std::to_string(c);
  EXPECT_EQ(Read(list, "New"), 1);
  EXPECT_EQ(OpenDeviceBlob(Unbase64(dest_)), "secret-pass");
}

TEST_F(TicketPasswordTest, AnInstalledDeviceKeyIsUsedInsteadOfTheBuiltInOne) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(std::fopen(kPublicKeyPath.c_str(), "rb"),
                                                    std::fclose);
  ASSERT_TRUE(f);
  std::string pem(4096, '\0');
  pem.resize(std::fread(pem.data(), 1, pem.size(), f.get()));
  WriteFile(folder_.File("device_public_key.pem"), pem);
  EXPECT_EQ(Read(TicketForm(StorageTicketValue("1234")), "New"), 1);
  EXPECT_EQ(OpenDeviceBlob(Unbase64(dest_)), "1234");
}

TEST_F(TicketPasswordTest, TicketTextIsKeptWithoutTheNewSetting) {
  const std::string stored = StorageTicketValue("1234");
  struct Case {
    const char* encryptionDefault;
    bool withPpd;
  } cases[] = {{"Old", true}, {nullptr, true}, {"New", false}};
  for (const Case& c : cases) {
    EXPECT_EQ(Read(TicketForm(stored), c.encryptionDefault, c.withPpd), 1);
    EXPECT_EQ(std::string(dest_), stored);
  }
}

TEST_F(TicketPasswordTest, UnreadablePpdKeepsTheTicketText) {
  ScopedEnv ppd("PPD", folder_.File("missing.ppd"));
  const auto job = test::JobWith("pw=abcd");
  EXPECT_EQ(GetTicketPasswordStringConvertedToEncryption("pw", *job, dest_, sizeof dest_), 1);
  EXPECT_STREQ(dest_, "abcd");
}

TEST_F(TicketPasswordTest, FailedStepsReportZeroAndKeepTheConvertedText) {
  // Not base64 (length not a multiple of 4), not storage-encrypted (XOR-scrambled text), absent.
  EXPECT_EQ(Read("abcde", "New"), 0);
  EXPECT_STREQ(dest_, "abcde");
  const std::string notStorage = Base64({'x', 'y', 'z', '1', '2', '3'});
  EXPECT_EQ(Read(TicketForm(notStorage), "New"), 0);
  EXPECT_EQ(std::string(dest_), notStorage);

  std::memset(dest_, 'X', sizeof dest_);
  const auto none = test::JobWith("");
  EXPECT_EQ(GetTicketPasswordStringConvertedToEncryption("pw", *none, dest_, sizeof dest_), 0);
  EXPECT_STREQ(dest_, "");
}

TEST_F(TicketPasswordTest, FinalEncodeFailureIsReportedWithoutThePassword) {
  WriteFile(folder_.File("device_public_key.pem"), "not a key");
  ::testing::internal::CaptureStderr();
  const std::string stored = StorageTicketValue("9876");
  EXPECT_EQ(Read(TicketForm(stored), "New"), 0);
  const std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("##filter debug## final encode failed encodeResult : "), std::string::npos);
  EXPECT_EQ(err.find("9876"), std::string::npos);
  EXPECT_EQ(err.find(stored), std::string::npos);
  EXPECT_EQ(std::string(dest_), stored);
}

// An installed key the filter cannot read fails like an invalid one: the passwords never go out
// under the built-in key instead of the deployment's.
TEST_F(TicketPasswordTest, AnUnreadableInstalledKeyFailsInsteadOfFallingBack) {
  std::filesystem::create_directory(folder_.File("device_public_key.pem"));
  ::testing::internal::CaptureStderr();
  const std::string stored = StorageTicketValue("9876");
  EXPECT_EQ(Read(TicketForm(stored), "New"), 0);
  const std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("##filter debug## final encode failed encodeResult : "), std::string::npos);
  EXPECT_EQ(std::string(dest_), stored);
}

TEST_F(TicketPasswordTest, PlainValuesAreCutAndCleaned) {
  EXPECT_EQ(Read(std::string(5000, 'p'), nullptr), 1);
  EXPECT_EQ(std::string(dest_), std::string(1023, 'p'));
  EXPECT_EQ(Read("/112/34/13/10/119", nullptr), 1);
  EXPECT_STREQ(dest_, "pw");
}

}  // namespace
}  // namespace nx::filter
