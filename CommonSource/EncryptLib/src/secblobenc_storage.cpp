// Storage encryption: the deterministic form in which the panels keep passwords.
// K = HMAC-SHA256(key seed1, message seed2); AES-256-CBC/PKCS#7 under K and the vector seed3.
#include <openssl/evp.h>

#include <algorithm>
#include <cstring>

#include "EncryptLib.h"
#include "secblobenc_internal.h"

namespace nx::encrypt {
namespace {

using internal::Diag;

bool ArgumentsValid(const void* value, int length, const void* s1, int s1Len, const void* s2,
                    int s2Len, const void* s3, int s3Len, const void* out, const int* outLen) {
  if (length < 0 || s1Len < 0 || s2Len < 0 || s3Len != 16) return false;
  if (outLen == nullptr || out == nullptr || s3 == nullptr) return false;
  if ((value == nullptr && length > 0) || (s1 == nullptr && s1Len > 0) ||
      (s2 == nullptr && s2Len > 0)) {
    return false;
  }
  return true;
}

// The storage operation in one direction. Encryption writes straight into `out` after the
// capacity check; decryption goes through a wiped stack buffer, since the plain length is only
// known at the end and OpenSSL may write a block beyond the final plain length.
int StorageCipher(bool encrypt, const void* value, int length, const void* s1, int s1Len,
                  const void* s2, int s2Len, const void* s3, void* out, int* outLen) {
  const int hmacLine = encrypt ? 39 : 84;
  const int aesLine = encrypt ? 52 : 97;
  const char* aesFail = encrypt ? "ERROR[%d]: AES Encrypt failed[%d].\n"
                                : "ERROR[%d]: AES Decrypt failed[%d].\n";

  internal::SecretBytes<32> key;
  if (!internal::HmacSha256(s1, s1Len, s2, s2Len, key.data())) {
    Diag("ERROR[%d]: Key Derivation HMAC failed[%d].\n", hmacLine, internal::TakeOpenSslStatus());
    return kEncCryptoFailed;
  }

  const int capacity = *outLen;
  const long long needed = 16LL * (length / 16 + 1);
  if (encrypt && capacity < needed) {
    Diag(aesFail, aesLine, internal::kStatusNoRoom);
    return kEncCryptoFailed;
  }

  internal::CipherCtxPtr ctx(EVP_CIPHER_CTX_new());
  if (!ctx || EVP_CipherInit_ex(ctx.get(), EVP_aes_256_cbc(), nullptr, key.data(),
                                static_cast<const unsigned char*>(s3), encrypt ? 1 : 0) != 1) {
    Diag(aesFail, aesLine, internal::TakeOpenSslStatus());
    return kEncCryptoFailed;
  }

  const auto* in = static_cast<const unsigned char*>(value);
  auto* dst = static_cast<unsigned char*>(out);
  int written = 0;
  // On failure no part of a deciphered value stays behind in the caller's buffer.
  auto fail = [&](int status) {
    Diag(aesFail, aesLine, status);
    if (!encrypt) OPENSSL_cleanse(dst, static_cast<std::size_t>(written));
    return kEncCryptoFailed;
  };

  if (encrypt) {
    int n = 0;
    if (length > 0 && EVP_CipherUpdate(ctx.get(), dst, &n, in, length) != 1) {
      return fail(internal::TakeOpenSslStatus());
    }
    written = n;
    if (EVP_CipherFinal_ex(ctx.get(), dst + written, &n) != 1) {
      return fail(internal::TakeOpenSslStatus());
    }
    *outLen = written + n;
    return kEncSuccess;
  }

  constexpr int kChunk = 4096;
  internal::SecretBytes<kChunk + 16> buf;
  int fed = 0;
  bool last = false;
  while (!last) {
    const int take = std::min(kChunk, length - fed);
    int n = 0;
    if (take > 0) {
      if (EVP_CipherUpdate(ctx.get(), buf.data(), &n, in + fed, take) != 1) {
        return fail(internal::TakeOpenSslStatus());
      }
      fed += take;
    }
    last = fed >= length;
    if (last) {
      int tail = 0;
      if (EVP_CipherFinal_ex(ctx.get(), buf.data() + n, &tail) != 1) {
        return fail(internal::TakeOpenSslStatus());
      }
      n += tail;
    }
    if (n > capacity - written) {
      return fail(internal::kStatusNoRoom);
    }
    std::memcpy(dst + written, buf.data(), static_cast<std::size_t>(n));
    written += n;
  }
  *outLen = written;
  return kEncSuccess;
}

}  // namespace

int Encode_Storage(const void* value, int length, const void* s1, int s1Len, const void* s2,
                   int s2Len, const void* s3, int s3Len, void* out, int* outLen) {
  if (!ArgumentsValid(value, length, s1, s1Len, s2, s2Len, s3, s3Len, out, outLen)) {
    Diag("Storage Error. Invalid argument.\n");
    return kEncUnsupported;
  }
  return StorageCipher(true, value, length, s1, s1Len, s2, s2Len, s3, out, outLen);
}

int Decode_Storage(const void* value, int length, const void* s1, int s1Len, const void* s2,
                   int s2Len, const void* s3, int s3Len, void* out, int* outLen) {
  if (!ArgumentsValid(value, length, s1, s1Len, s2, s2Len, s3, s3Len, out, outLen)) {
    Diag("Storage Error. Invalid argument.\n");
    return kEncUnsupported;
  }
  return StorageCipher(false, value, length, s1, s1Len, s2, s2Len, s3, out, outLen);
}

}  // namespace nx::encrypt
