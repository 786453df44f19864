// Internals of the encryption library: owners for OpenSSL objects, buffers that wipe
// themselves, diagnostics, and the key text decoder shared by the blob routines.
#pragma once

#include <openssl/crypto.h>
#include <openssl/evp.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace nx::encrypt::internal {

template <auto Free>
struct OsslDeleter {
  template <class T>
  void operator()(T* p) const noexcept {
    Free(p);
  }
};
using PkeyPtr = std::unique_ptr<EVP_PKEY, OsslDeleter<EVP_PKEY_free>>;
using PkeyCtxPtr = std::unique_ptr<EVP_PKEY_CTX, OsslDeleter<EVP_PKEY_CTX_free>>;
using CipherCtxPtr = std::unique_ptr<EVP_CIPHER_CTX, OsslDeleter<EVP_CIPHER_CTX_free>>;
using EncodeCtxPtr = std::unique_ptr<EVP_ENCODE_CTX, OsslDeleter<EVP_ENCODE_CTX_free>>;

// A fixed-size buffer for key material, wiped when it goes out of scope.
template <std::size_t N>
class SecretBytes {
 public:
  SecretBytes() = default;
  SecretBytes(const SecretBytes&) = delete;
  SecretBytes& operator=(const SecretBytes&) = delete;
  ~SecretBytes() { OPENSSL_cleanse(bytes_.data(), N); }
  unsigned char* data() { return bytes_.data(); }
  const unsigned char* data() const { return bytes_.data(); }
  static constexpr std::size_t size() { return N; }

 private:
  std::array<unsigned char, N> bytes_{};
};

// Diagnostic line to standard error. Callers pass only codes and lengths, never values.
void Diag(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The reason code of the most recent OpenSSL error (or -1 when none is queued); the queue is
// cleared so that a later step does not report a stale error.
int TakeOpenSslStatus();

// Status used in diagnostics for failures detected by this library rather than by OpenSSL.
inline constexpr int kStatusBadInput = -1;
inline constexpr int kStatusNoRoom = -2;

// HMAC-SHA256(key, message) into out (32 bytes). False on failure.
bool HmacSha256(const void* key, int keyLen, const void* msg, int msgLen, unsigned char* out);

// Decodes a public key text (base64 of the DER SubjectPublicKeyInfo, line ends and white space
// ignored, PEM armour lines skipped) into its DER bytes. False when the text is not base64.
bool DecodeKeyText(const char* text, int textLen, std::vector<unsigned char>& der);

// Parses DER SubjectPublicKeyInfo bytes into an RSA key; null when they are not exactly one
// RSA public key.
PkeyPtr ParseRsaPublicKey(const std::vector<unsigned char>& der);

}  // namespace nx::encrypt::internal
