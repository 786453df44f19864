// Helpers of the encryption library tests: hex, stderr capture, and a device-side decoder of
// blobs that uses only OpenSSL, so that the tests check what a device would see.
#pragma once

#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace nx::encrypt::test {

using Bytes = std::vector<unsigned char>;

inline Bytes FromHex(const std::string& hex) {
  Bytes out;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    out.push_back(static_cast<unsigned char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  }
  return out;
}

inline Bytes ToBytes(const std::string& s) { return Bytes(s.begin(), s.end()); }

inline std::uint32_t Le32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

struct PkeyFree {
  void operator()(EVP_PKEY* p) const { EVP_PKEY_free(p); }
};
struct PkeyCtxFree {
  void operator()(EVP_PKEY_CTX* p) const { EVP_PKEY_CTX_free(p); }
};
struct CipherCtxFree {
  void operator()(EVP_CIPHER_CTX* p) const { EVP_CIPHER_CTX_free(p); }
};
struct BioFree {
  void operator()(BIO* p) const { BIO_free(p); }
};
using Pkey = std::unique_ptr<EVP_PKEY, PkeyFree>;

inline std::string SourcePath(const std::string& rel) { return std::string(NX_SOURCE_DIR) + "/" + rel; }

inline Pkey LoadTestPrivateKey() {
  std::unique_ptr<BIO, BioFree> bio(
      BIO_new_file(SourcePath("tests/keys/TEST_KEY_device_rsa2048_private.pem").c_str(), "r"));
  if (!bio) return nullptr;
  return Pkey(PEM_read_bio_PrivateKey(bio.get(), nullptr, nullptr, nullptr));
}

inline Pkey GenerateRsaKey(unsigned bits) {
  return Pkey(EVP_PKEY_Q_keygen(nullptr, nullptr, "RSA", static_cast<size_t>(bits)));
}

// The public half as the text form the library takes: base64 DER, 64-character lines.
inline std::string PublicKeyText(EVP_PKEY* key, bool pem = false) {
  std::unique_ptr<BIO, BioFree> bio(BIO_new(BIO_s_mem()));
  if (!bio || PEM_write_bio_PUBKEY(bio.get(), key) != 1) return {};
  char* data = nullptr;
  const long n = BIO_get_mem_data(bio.get(), &data);
  std::string text(data, static_cast<std::size_t>(n));
  if (pem) return text;
  const auto begin = text.find('\n') + 1;
  const auto end = text.find("-----END");
  return text.substr(begin, end - begin);
}

inline Bytes PublicKeyDer(EVP_PKEY* key) {
  unsigned char* der = nullptr;
  const int n = i2d_PUBKEY(key, &der);
  Bytes out(der, der + (n > 0 ? n : 0));
  OPENSSL_free(der);
  return out;
}

inline Bytes Sha256(const Bytes& data) {
  Bytes out(32);
  unsigned int len = 0;
  EVP_Digest(data.data(), data.size(), out.data(), &len, EVP_sha256(), nullptr);
  return out;
}

// What a device does with a mode-1 blob: unwrap S with its private key, K = HMAC(S, M), and
// AES-256-CBC-decrypt the value. Fails the test on any step.
inline std::string OpenBlob(const Bytes& blob, EVP_PKEY* priv) {
  const std::size_t rsaLen = static_cast<std::size_t>(EVP_PKEY_get_size(priv));
  EXPECT_GE(blob.size(), 96 + rsaLen + 16);
  if (blob.size() < 96 + rsaLen + 16) return {};
  std::unique_ptr<EVP_PKEY_CTX, PkeyCtxFree> pctx(EVP_PKEY_CTX_new_from_pkey(nullptr, priv, nullptr));
  unsigned char s[512];
  std::size_t sLen = sizeof s;
  const bool unwrapped = pctx && EVP_PKEY_decrypt_init(pctx.get()) == 1 &&
                         EVP_PKEY_CTX_set_rsa_padding(pctx.get(), RSA_PKCS1_OAEP_PADDING) == 1 &&
                         EVP_PKEY_CTX_set_rsa_oaep_md(pctx.get(), EVP_sha256()) == 1 &&
                         EVP_PKEY_CTX_set_rsa_mgf1_md(pctx.get(), EVP_sha256()) == 1 &&
                         EVP_PKEY_decrypt(pctx.get(), s, &sLen, blob.data() + 80, rsaLen) == 1;
  EXPECT_TRUE(unwrapped);
  EXPECT_EQ(sLen, 32u);
  if (!unwrapped || sLen != 32) return {};

  unsigned char k[32];
  unsigned int kLen = 0;
  HMAC(EVP_sha256(), s, 32, blob.data() + 48, 32, k, &kLen);
  const unsigned char* iv = blob.data() + 80 + rsaLen;
  const unsigned char* cipher = iv + 16;
  const int cipherLen = static_cast<int>(blob.size() - 96 - rsaLen);
  std::unique_ptr<EVP_CIPHER_CTX, CipherCtxFree> ctx(EVP_CIPHER_CTX_new());
  std::string plain(static_cast<std::size_t>(cipherLen) + 16, '\0');
  int n1 = 0, n2 = 0;
  auto* p = reinterpret_cast<unsigned char*>(plain.data());
  const bool ok = ctx && EVP_DecryptInit_ex(ctx.get(), EVP_aes_256_cbc(), nullptr, k, iv) == 1 &&
                  EVP_DecryptUpdate(ctx.get(), p, &n1, cipher, cipherLen) == 1 &&
                  EVP_DecryptFinal_ex(ctx.get(), p + n1, &n2) == 1;
  EXPECT_TRUE(ok);
  plain.resize(ok ? static_cast<std::size_t>(n1 + n2) : 0);
  return plain;
}

}  // namespace nx::encrypt::test
