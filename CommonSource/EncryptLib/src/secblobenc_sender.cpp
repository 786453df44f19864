// The device-key blob: a password re-encrypted so that only the device can read it.
//
//   S, M random (32 bytes each); K = HMAC-SHA256(key S, message M)
//   blob = header | fingerprint | M | RSA-OAEP-SHA256(S) | IV | AES-256-CBC(K, IV, value)
//
// The device recovers S with its private key, derives K from S and M, and deciphers the value.
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/rsa.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "EncryptLib.h"
#include "secblobenc_internal.h"

namespace nx::encrypt {
namespace {

using internal::Diag;

constexpr int kIvLenCbc = 16;
constexpr int kIvLenOther = 12;
constexpr int kRsaMaxLen = 512;  // 4096-bit keys and below

void PutLe32(unsigned char* p, std::uint32_t v) {
  p[0] = static_cast<unsigned char>(v);
  p[1] = static_cast<unsigned char>(v >> 8);
  p[2] = static_cast<unsigned char>(v >> 16);
  p[3] = static_cast<unsigned char>(v >> 24);
}

int ExpectedKeyBits(int keyType) { return keyType == kKeyType2048 ? 2048 : 3072; }

void ReportRsaFailure(int status) {
  const unsigned long e = ERR_peek_last_error();
  char text[256] = "unusable public key";
  if (e != 0) ERR_error_string_n(e, text, sizeof text);
  ERR_clear_error();
  Diag("RSA Error[%d] %s\n", e != 0 ? ERR_GET_REASON(e) : status, text);
  Diag("ERROR[%d]: RSA Encrypt failed[%d].\n", 150, e != 0 ? ERR_GET_REASON(e) : status);
}

}  // namespace

// A key text decoded into its DER bytes and its key; when that failed, the OpenSSL error of the
// failure, reported when a blob is to be made under the key.
struct ParsedDeviceKey {
  std::vector<unsigned char> der;
  internal::PkeyPtr key;
  unsigned long error = 0;
  std::array<char, 256> errorText{};

  ParsedDeviceKey(const char* text, int textLen) {
    if (internal::DecodeKeyText(text, textLen, der)) key = internal::ParseRsaPublicKey(der);
    if (key) return;
    error = ERR_peek_last_error();
    std::snprintf(errorText.data(), errorText.size(), "unusable public key");
    if (error != 0) ERR_error_string_n(error, errorText.data(), errorText.size());
    ERR_clear_error();
  }

  void ReportFailure() const {
    const int status = error != 0 ? ERR_GET_REASON(error) : internal::kStatusBadInput;
    Diag("RSA Error[%d] %s\n", status, errorText.data());
    Diag("ERROR[%d]: RSA Encrypt failed[%d].\n", 150, status);
  }

  // The key type of the key's size (2048 -> 0, 3072 -> 1), else -1.
  int KeyType() const {
    const int bits = key ? EVP_PKEY_get_bits(key.get()) : 0;
    return bits == 2048 ? kKeyType2048 : bits == 3072 ? kKeyType3072 : -1;
  }
};

namespace {

// The fingerprint the blob names its key by: the built-in constant for the built-in key, so
// that a rebuilt driver carrying a device's own key and fingerprint stays consistent; for any
// other key its DER form's SHA-256, which the device can compute from its own key.
bool KeyFingerprint(int keyType, const std::vector<unsigned char>& der, unsigned char* out) {
  std::vector<unsigned char> builtIn;
  if (internal::DecodeKeyText(RSA_PUBKEY_2048_OFFICIAL, RSA_PUBKEY_2048_OFFICIAL_LEN, builtIn) &&
      builtIn == der) {
    std::memcpy(out, keyType == kKeyType2048 ? pubkey2048_OFFICIAL_SHA256
                                             : pubkey3072_OFFICIAL_SHA256,
                kFingerprintLen);
    return true;
  }
  unsigned int len = 0;
  return EVP_Digest(der.data(), der.size(), out, &len, EVP_sha256(), nullptr) == 1 &&
         len == kFingerprintLen;
}

int EncryptBlob(int aesMode, int keyType, const unsigned char* value, int length,
                const ParsedDeviceKey& deviceKey, unsigned char* out, int* outLen) {
  if (length >= kBlobMaxValueLen + 1) {
    Diag("ERROR[%d]: too long bufLen [%d].\n", 88, length);
    return kEncUnsupported;
  }
  if (keyType != kKeyType2048 && keyType != kKeyType3072) {
    Diag("ERROR[%d]: invalid key type[%d].\n", 106, keyType);
    return kEncUnsupported;
  }
  if (length < 0 || (value == nullptr && length > 0) || out == nullptr || outLen == nullptr) {
    Diag("SecBlobEnc Error. Invalid argument.\n");
    return kEncUnsupported;
  }

  // Step 3: the HMAC key S (wrapped for the device) and message M; K derived from both.
  internal::SecretBytes<32> s;
  unsigned char m[32];
  internal::SecretBytes<32> k;
  if (int st = Generate_Random(32, s.data()); st != 0) {
    Diag("ERROR[%d]: generate random failed[%d].\n", 114, st);
    return kEncCryptoFailed;
  }
  if (int st = Generate_Random(32, m); st != 0) {
    Diag("ERROR[%d]: generate random failed[%d].\n", 122, st);
    return kEncCryptoFailed;
  }
  if (!internal::HmacSha256(s.data(), 32, m, 32, k.data())) {
    Diag("ERROR[%d]: Key Derivation HMAC failed[%d].\n", 131, internal::TakeOpenSslStatus());
    return kEncCryptoFailed;
  }

  // Step 4: the vector.
  const int ivLen = aesMode == kAesModeCbc ? kIvLenCbc : kIvLenOther;
  unsigned char iv[kIvLenCbc];
  if (int st = Generate_Random(ivLen, iv); st != 0) {
    Diag("ERROR[%d]: generate random failed[%d].\n", 139, st);
    return kEncCryptoFailed;
  }

  // Step 5: the device key, and S wrapped under it.
  if (!deviceKey.key) {
    deviceKey.ReportFailure();
    return kEncCryptoFailed;
  }
  EVP_PKEY* const key = deviceKey.key.get();
  const std::vector<unsigned char>& der = deviceKey.der;
  if (EVP_PKEY_get_bits(key) != ExpectedKeyBits(keyType)) {
    // A blob naming one key type but wrapped under a key of another size cannot be opened.
    Diag("ERROR[%d]: invalid key type[%d].\n", 106, keyType);
    return kEncUnsupported;
  }
  unsigned char fingerprint[kFingerprintLen];
  if (!KeyFingerprint(keyType, der, fingerprint)) {
    ReportRsaFailure(internal::kStatusBadInput);
    return kEncCryptoFailed;
  }
  unsigned char wrapped[kRsaMaxLen];
  std::size_t wrappedLen = sizeof wrapped;
  internal::PkeyCtxPtr pctx(EVP_PKEY_CTX_new_from_pkey(nullptr, key, nullptr));
  if (!pctx || EVP_PKEY_encrypt_init(pctx.get()) != 1 ||
      EVP_PKEY_CTX_set_rsa_padding(pctx.get(), RSA_PKCS1_OAEP_PADDING) != 1 ||
      EVP_PKEY_CTX_set_rsa_oaep_md(pctx.get(), EVP_sha256()) != 1 ||
      EVP_PKEY_CTX_set_rsa_mgf1_md(pctx.get(), EVP_sha256()) != 1 ||
      EVP_PKEY_encrypt(pctx.get(), wrapped, &wrappedLen, s.data(), s.size()) != 1) {
    ReportRsaFailure(internal::kStatusBadInput);
    return kEncCryptoFailed;
  }
  const int rsaLen = static_cast<int>(wrappedLen);

  // Step 6: the value under K.
  if (aesMode != kAesModeCbc) {
    Diag("AES Error. Unsupported AES Mode.\n");
    return kEncUnsupported;
  }
  const long long cipherLen = 16LL * (length / 16 + 1);
  const long long total = 96LL + rsaLen + cipherLen;
  if (*outLen < total) {
    Diag("SecBlobEnc Error. Output buffer too small [%d < %lld].\n", *outLen, total);
    return kEncUnsupported;
  }
  unsigned char* cipher = out + 96 + rsaLen;
  int written = 0;
  internal::CipherCtxPtr ctx(EVP_CIPHER_CTX_new());
  int n = 0;
  bool ok = ctx && EVP_EncryptInit_ex(ctx.get(), EVP_aes_256_cbc(), nullptr, k.data(), iv) == 1;
  if (ok && length > 0) {
    ok = EVP_EncryptUpdate(ctx.get(), cipher, &n, value, length) == 1;
    written = n;
  }
  if (ok) {
    ok = EVP_EncryptFinal_ex(ctx.get(), cipher + written, &n) == 1;
    written += n;
  }
  if (!ok || written != cipherLen) {
    const int st = internal::TakeOpenSslStatus();
    Diag("AES Error[%d]\n", st);
    Diag("ERROR[%d]: AES Encrypt failed[%d].\n", 161, st);
    return kEncCryptoFailed;
  }

  // Step 7: the header and the key transport part in front of the cipher text.
  out[0] = kBlobFormat;
  out[1] = kBlobVersion;
  PutLe32(out + 2, static_cast<std::uint32_t>(cipherLen));
  PutLe32(out + 6, static_cast<std::uint32_t>(total));
  out[10] = static_cast<unsigned char>(aesMode);
  out[11] = static_cast<unsigned char>(keyType);
  PutLe32(out + 12, 0);
  std::memcpy(out + 16, fingerprint, kFingerprintLen);
  std::memcpy(out + 48, m, sizeof m);
  std::memcpy(out + 80, wrapped, static_cast<std::size_t>(rsaLen));
  std::memcpy(out + 80 + rsaLen, iv, kIvLenCbc);
  *outLen = static_cast<int>(total);
  return kEncSuccess;
}

}  // namespace

int SecBlobEnc_KT_Encrypt(int aesMode, int keyType, const void* value, int length,
                          const char* pubKeyText, int pubKeyTextLen, void* out, int* outLen) {
  if (pubKeyText == nullptr) {
    // The checks before the key's, in their order.
    if (length >= kBlobMaxValueLen + 1) {
      Diag("ERROR[%d]: too long bufLen [%d].\n", 88, length);
    } else if (keyType != kKeyType2048 && keyType != kKeyType3072) {
      Diag("ERROR[%d]: invalid key type[%d].\n", 106, keyType);
    } else {
      Diag("SecBlobEnc Error. Invalid argument.\n");
    }
    return kEncUnsupported;
  }
  try {
    const ParsedDeviceKey key(pubKeyText, pubKeyTextLen);
    return EncryptBlob(aesMode, keyType, static_cast<const unsigned char*>(value), length, key,
                       static_cast<unsigned char*>(out), outLen);
  } catch (const std::bad_alloc&) {
    Diag("SecBlobEnc Error. Out of memory.\n");
    return kEncCryptoFailed;
  }
}

int Encode_Random(const void* value, int length, void* out, int* outLen) {
  return SecBlobEnc_KT_Encrypt(kAesModeCbc, kKeyType2048, value, length, RSA_PUBKEY_2048_OFFICIAL,
                               RSA_PUBKEY_2048_OFFICIAL_LEN, out, outLen);
}

int Encode_RandomWithKey(const void* value, int length, const char* pubKeyText,
                         int pubKeyTextLen, void* out, int* outLen) {
  try {
    const DeviceKey key(pubKeyText, pubKeyTextLen);
    return key.Encode(value, length, out, outLen);
  } catch (const std::bad_alloc&) {
    Diag("SecBlobEnc Error. Out of memory.\n");
    return kEncCryptoFailed;
  }
}

DeviceKey::DeviceKey() : DeviceKey(RSA_PUBKEY_2048_OFFICIAL, RSA_PUBKEY_2048_OFFICIAL_LEN) {
  builtIn_ = true;
}

DeviceKey::DeviceKey(const char* pubKeyText, int pubKeyTextLen)
    : parsed_(std::make_unique<ParsedDeviceKey>(pubKeyText, pubKeyTextLen)) {}

DeviceKey::~DeviceKey() = default;
DeviceKey::DeviceKey(DeviceKey&&) noexcept = default;
DeviceKey& DeviceKey::operator=(DeviceKey&&) noexcept = default;

int DeviceKey::Encode(const void* value, int length, void* out, int* outLen) const {
  if (!parsed_) return kEncUnsupported;
  if (!builtIn_ && !parsed_->key) {
    parsed_->ReportFailure();
    return kEncCryptoFailed;
  }
  try {
    return EncryptBlob(kAesModeCbc, builtIn_ ? kKeyType2048 : parsed_->KeyType(),
                       static_cast<const unsigned char*>(value), length, *parsed_,
                       static_cast<unsigned char*>(out), outLen);
  } catch (const std::bad_alloc&) {
    Diag("SecBlobEnc Error. Out of memory.\n");
    return kEncCryptoFailed;
  }
}

int SecBlobEnc_KeyFingerprint(const char* pubKeyText, int pubKeyTextLen, unsigned char* out) {
  if (pubKeyText == nullptr || out == nullptr) return kEncUnsupported;
  try {
    std::vector<unsigned char> der;
    if (!internal::DecodeKeyText(pubKeyText, pubKeyTextLen, der)) return kEncCryptoFailed;
    internal::PkeyPtr key = internal::ParseRsaPublicKey(der);
    if (!key) return kEncCryptoFailed;
    const int bits = EVP_PKEY_get_bits(key.get());
    if (bits != 2048 && bits != 3072) return kEncUnsupported;
    return KeyFingerprint(bits == 2048 ? kKeyType2048 : kKeyType3072, der, out)
               ? kEncSuccess
               : kEncCryptoFailed;
  } catch (const std::bad_alloc&) {
    return kEncCryptoFailed;
  }
}

}  // namespace nx::encrypt
