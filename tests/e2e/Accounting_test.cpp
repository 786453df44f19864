// Accounting and secure print through the print system: the passwords the panels keep
// storage-encrypted reach the device re-encrypted under its key when the queue asks for it
// ("NXEncryptionSetting" New), and only the device's private key opens them.
#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <openssl/pem.h>

#include <cstdio>
#include <memory>
#include <optional>
#include <regex>
#include <string>

#include "E2eFixture.h"
#include "EncryptLib.h"

namespace nx::e2e {
namespace {

std::string Base64(const std::string& bytes) {
  std::string out(4 * ((bytes.size() + 2) / 3) + 1, '\0');
  const int n = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                                reinterpret_cast<const unsigned char*>(bytes.data()),
                                static_cast<int>(bytes.size()));
  out.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
  return out;
}

std::optional<std::string> FromBase64(const std::string& text) {
  if (text.empty() || text.size() % 4 != 0) return std::nullopt;
  std::string out(text.size() / 4 * 3, '\0');
  const int n = EVP_DecodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                                reinterpret_cast<const unsigned char*>(text.data()),
                                static_cast<int>(text.size()));
  if (n < 0) return std::nullopt;
  std::size_t len = static_cast<std::size_t>(n);
  for (std::size_t i = text.size(); i > 0 && text[i - 1] == '='; --i) --len;
  out.resize(len);
  return out;
}

// The panels' stored form of a password: base64 of its storage encryption.
std::string StoredPassword(const std::string& plain) {
  unsigned char out[256];
  int len = sizeof out;
  const int rc = nx::encrypt::Encode_Storage(plain.data(), static_cast<int>(plain.size()), nx::encrypt::seed1,
                                             nx::encrypt::seed1Len, nx::encrypt::seed2, nx::encrypt::seed2Len,
                                             nx::encrypt::seed3, nx::encrypt::seed3Len, out, &len);
  EXPECT_EQ(rc, nx::encrypt::kEncSuccess);
  return rc == nx::encrypt::kEncSuccess ? Base64(std::string(reinterpret_cast<char*>(out), len)) : "";
}

struct PkeyFree {
  void operator()(EVP_PKEY* k) const { EVP_PKEY_free(k); }
};
struct PkeyCtxFree {
  void operator()(EVP_PKEY_CTX* c) const { EVP_PKEY_CTX_free(c); }
};
struct CipherCtxFree {
  void operator()(EVP_CIPHER_CTX* c) const { EVP_CIPHER_CTX_free(c); }
};

std::uint32_t Le32(const std::string& b, std::size_t at) {
  return static_cast<std::uint8_t>(b[at]) | static_cast<std::uint8_t>(b[at + 1]) << 8 |
         static_cast<std::uint8_t>(b[at + 2]) << 16 | static_cast<std::uint32_t>(static_cast<std::uint8_t>(b[at + 3])) << 24;
}

// Opens a device-key blob (base64 text) the way the device does, with the test private key:
// RSA-OAEP-SHA256 gives the HMAC key, HMAC-SHA256 over the blob's message gives the AES key.
std::optional<std::string> OpenBlob(const std::string& text, std::string* why) {
  const auto blob = FromBase64(text);
  if (!blob || blob->size() < 352 + 16) {
    *why = "not a blob: " + text;
    return std::nullopt;
  }
  const std::string& b = *blob;
  if (b[0] != 8 || b[1] != 1 || b[10] != 1 || b[11] != 0 || Le32(b, 6) != b.size() ||
      Le32(b, 2) != b.size() - 352) {
    *why = "blob header does not match its size";
    return std::nullopt;
  }
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> pem(
      std::fopen(SourcePath("tests/keys/TEST_KEY_device_rsa2048_private.pem").c_str(), "r"), &std::fclose);
  if (!pem) {
    *why = "no test private key";
    return std::nullopt;
  }
  std::unique_ptr<EVP_PKEY, PkeyFree> key(PEM_read_PrivateKey(pem.get(), nullptr, nullptr, nullptr));
  std::unique_ptr<EVP_PKEY_CTX, PkeyCtxFree> ctx(key ? EVP_PKEY_CTX_new(key.get(), nullptr) : nullptr);
  unsigned char hmac_key[512];
  std::size_t hmac_key_len = sizeof hmac_key;
  if (!ctx || EVP_PKEY_decrypt_init(ctx.get()) <= 0 ||
      EVP_PKEY_CTX_set_rsa_padding(ctx.get(), RSA_PKCS1_OAEP_PADDING) <= 0 ||
      EVP_PKEY_CTX_set_rsa_oaep_md(ctx.get(), EVP_sha256()) <= 0 ||
      EVP_PKEY_CTX_set_rsa_mgf1_md(ctx.get(), EVP_sha256()) <= 0 ||
      EVP_PKEY_decrypt(ctx.get(), hmac_key, &hmac_key_len,
                       reinterpret_cast<const unsigned char*>(b.data()) + 80, 256) <= 0 ||
      hmac_key_len != 32) {
    *why = "RSA-OAEP decryption with the test key failed";
    return std::nullopt;
  }
  unsigned char aes_key[32];
  unsigned int aes_key_len = 0;
  if (!HMAC(EVP_sha256(), hmac_key, 32, reinterpret_cast<const unsigned char*>(b.data()) + 48, 32, aes_key,
            &aes_key_len)) {
    *why = "HMAC failed";
    return std::nullopt;
  }
  std::unique_ptr<EVP_CIPHER_CTX, CipherCtxFree> aes(EVP_CIPHER_CTX_new());
  std::string plain(b.size(), '\0');
  int n1 = 0, n2 = 0;
  if (!aes ||
      EVP_DecryptInit_ex(aes.get(), EVP_aes_256_cbc(), nullptr, aes_key,
                         reinterpret_cast<const unsigned char*>(b.data()) + 336) != 1 ||
      EVP_DecryptUpdate(aes.get(), reinterpret_cast<unsigned char*>(plain.data()), &n1,
                        reinterpret_cast<const unsigned char*>(b.data()) + 352, static_cast<int>(b.size() - 352)) != 1 ||
      EVP_DecryptFinal_ex(aes.get(), reinterpret_cast<unsigned char*>(plain.data()) + n1, &n2) != 1) {
    *why = "AES decryption failed";
    return std::nullopt;
  }
  plain.resize(static_cast<std::size_t>(n1 + n2));
  return plain;
}

const char kHoldPassword[] = "Pw4321x";
const char kUserPassword[] = "correct horse, battery";

// Secure print under user ID U1 with a password, job name from the title; accounting in user
// mode with the stored details: entered user ID ABC and a password, no account ID.
OptionList AccountingTicket() {
  const auto text = [](const std::string& v) { return EscapeTicketText(v); };
  return {
      {TicketKey("PrintTypeTicketKey"), "2"},
      {TicketKey("PrintTypeUserNameTicketKey"), "U1"},
      {TicketKey("PrintTypePasswordTicketKey"), text(StoredPassword(kHoldPassword))},
      {TicketKey("DocumentNameTypeTicketKey"), "1"},
      {TicketKey("PrintTypeProductTypeTicketKey"), "2"},
      {TicketKey("JBAManageTypeListTicketKey"), "2"},
      {TicketKey("JBAUserSettingRadioBtnTicket"), "1"},
      {TicketKey("JBAUserIDListCtrlTicket"), "2"},
      {TicketKey("JBAUserIDTextEditTicket"), "ABC"},
      {TicketKey("JBAUserPasswordTextEditTicket"), text(StoredPassword(kUserPassword))},
      {TicketKey("DFRecipientListCountTicket"), "1"},
      {TicketKey("DFRecipientListItemKeyTicket0"), "FAEN=0312345678{20}{30}{}comment"},
  };
}

class E2eAccounting : public E2eTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(E2eAccounting, PasswordsReachTheDeviceInTheQueuesForm) {
  const std::string setting = GetParam();
  ASSERT_NO_FATAL_FAILURE(StartServer());
  ASSERT_NO_FATAL_FAILURE(AddFaxQueue("fax", {{"NXEncryptionSetting", setting}}));
  const JobOutcome job = RunJob("fax", Document(1), AccountingTicket(), "Report", "alice");
  EXPECT_EQ(job.state, IPP_JSTATE_COMPLETED) << job.job_message;
  const DeviceStream stream = SplitDeviceStream(server_->DeviceOutput("fax"));
  ASSERT_TRUE(stream.ok) << stream.problem;

  // The two password values, whatever their form, then the header with them in place.
  std::smatch hold, user;
  ASSERT_TRUE(std::regex_search(stream.header, hold, std::regex("@PJL SET HOLDENCRYPTKEY=\"([^\"\r\n]*)\"\r\n")))
      << Visible(stream.header);
  ASSERT_TRUE(std::regex_search(stream.header, user, std::regex("@JOEP=([^\"\r\n]*)\"\r\n"))) << Visible(stream.header);
  std::string header = stream.header;
  EXPECT_TRUE(TakeAddressLine(header));
  const std::string expected =
      std::string(kUel) + "@PJL JOB MODE=DIRECTFAX\r\n" +
      "@PJL SET HOLD=STORE\n"
      "@PJL SET HOLDTYPE=PRIVATE\n"
      "@PJL SET USERNAME=\"U1\"\r\n"
      "@PJL SET HOLDENCRYPTKEY=\"" + hold.str(1) + "\"\r\n"
      "@PJL SET JOBNAME=\"Report\"\r\n" +
      IdentityLines("alice") + kNlppLine +
      "@PJL SET JOBATTR=\"@JOAU=ABC\"\r\n"
      "@PJL SET JOBATTR=\"@JOEP=" + user.str(1) + "\"\r\n"
      "@PJL SET JOBATTR=\"@DAID=\"\r\n"
      // No fax module in the ticket: both card lines and both IP fax kit lines.
      "@PJL SET JOBATTR=\"@FCRD=1\"\r\n"
      "@PJL SET JOBATTR=\"@FCRD=3\"\r\n"
      "@PJL SET JOBATTR=\"@OLEK=1\"\r\n"
      "@PJL SET JOBATTR=\"@IPFK=1\"\r\n"
      "@PJL SET JOBATTR=\"@IPFK=2\"\r\n"
      "@PJL SET JOBATTR=\"@FAEN=0312345678{20}{30}{}comment\"\r\n"
      "@PJL SET JOBATTR=\"@IEXT=STANDARD\"\r\n" + kEnterPdf;
  EXPECT_EQ(Visible(header), Visible(expected));

  if (setting == "New") {
    for (const auto& [value, plain] : {std::pair{hold.str(1), std::string(kHoldPassword)},
                                       std::pair{user.str(1), std::string(kUserPassword)}}) {
      std::string why;
      const auto opened = OpenBlob(value, &why);
      ASSERT_TRUE(opened) << why;
      EXPECT_EQ(*opened, plain);
      EXPECT_EQ(FromBase64(value)->size(), static_cast<std::size_t>(nx::encrypt::BlobLen(static_cast<int>(plain.size()))));
    }
    EXPECT_NE(hold.str(1), user.str(1));
  } else {
    // Without re-encryption the device gets the panels' form unchanged.
    EXPECT_EQ(hold.str(1), StoredPassword(kHoldPassword));
    EXPECT_EQ(user.str(1), StoredPassword(kUserPassword));
  }
  // Passwords never show in the server's log.
  const std::string log = server_->ErrorLog();
  EXPECT_EQ(log.find(kHoldPassword), std::string::npos);
  EXPECT_EQ(log.find(kUserPassword), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(EncryptionSetting, E2eAccounting, ::testing::Values("New", "Old"));

}  // namespace
}  // namespace nx::e2e
