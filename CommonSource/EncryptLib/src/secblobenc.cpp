// Constants of the encryption library, the random source and the shared helpers.
#include <openssl/err.h>
#include <openssl/hmac.h>
#include <openssl/rand.h>

#include <cstdarg>
#include <cstdio>

#include "EncryptLib.h"
#include "secblobenc_internal.h"

namespace nx::encrypt {

// Storage key material. Changing any of these makes every stored password unreadable.
const unsigned char seed1[seed1Len] = {
    0xb4, 0xcc, 0x4d, 0x11, 0xd7, 0x57, 0x14, 0x35, 0x5c, 0x45, 0xf8, 0x78, 0xbd, 0xae, 0xf4, 0x72,
    0x15, 0x1d, 0x05, 0x86, 0x55, 0xe6, 0x09, 0x84, 0xd0, 0xd0, 0x1d, 0xeb, 0x61, 0xb9, 0xcb, 0xea,
};
const unsigned char seed2[seed2Len] = {
    0x8d, 0x59, 0xe8, 0xa6, 0x63, 0xbc, 0xe6, 0x9a, 0xc8, 0x8f, 0x7e, 0xf9, 0xe8, 0x9e, 0x52, 0xd3,
    0x6d, 0xf8, 0xea, 0xe0, 0x7f, 0xcd, 0xed, 0x8e, 0x55, 0xe5, 0x2a, 0x04, 0xdd, 0xf4, 0x9c, 0x92,
};
const unsigned char seed3[seed3Len] = {
    0xba, 0xbf, 0x81, 0xcd, 0xf2, 0xfb, 0xe4, 0xba, 0xdc, 0x95, 0x28, 0x79, 0x70, 0x3c, 0xb9, 0x94,
};

// The built-in device key. This is the project's test key (its private half is under
// tests/keys/); a deployment points the filter at the real device key instead.
const char RSA_PUBKEY_2048_OFFICIAL[RSA_PUBKEY_2048_OFFICIAL_LEN + 1] =
    "MIIBIjANBgkqhkiG9w0BAQEFAAOCAQ8AMIIBCgKCAQEA3W+s3FwrzyfFECVlO0+b\n"
    "dnSyXK+igrgV+R0L263ubZKHYYZI0UPFGBRV1sgJvz5OpAsD3gKVaFdUd8CX0L7n\n"
    "FVMMu8K7yIZbcfuBOWPFm2amK66UTHtVinAD7lBoRFDUF/Kr+tUF+160FqEMvKnD\n"
    "2mJwfBzn4zUtxIK0TsdJPqmqILQCVjNUTFs249vbvYh1WERdWbGlj2Uw+Gl/97yT\n"
    "icxjVYCJrL9n+Qyj0FnyZb/MFVE+513L22Pbt+iXFlDsEO2LGYw71I3AymWtF0QM\n"
    "8kFTiaFYBwQ3fblSVy5xOrEqRuMX7XB05zJwN6syD0D34T6E7PJqWJv7bFKYz1ro\n"
    "3QIDAQAB\n";

// SHA-256 of the DER form of RSA_PUBKEY_2048_OFFICIAL.
const unsigned char pubkey2048_OFFICIAL_SHA256[kFingerprintLen] = {
    0xb3, 0x1d, 0xe9, 0xdd, 0xd5, 0x42, 0x28, 0xc5, 0x63, 0x2f, 0x70, 0x00, 0x70, 0x79, 0xff, 0x94,
    0xd8, 0x19, 0xb9, 0x6f, 0xf2, 0xb0, 0xae, 0x33, 0xb9, 0x1e, 0x48, 0xf6, 0x4a, 0xb2, 0x8d, 0x9c,
};
// SHA-256 of the DER form of a 3072-bit key generated alongside; only its name is kept.
const unsigned char pubkey3072_OFFICIAL_SHA256[kFingerprintLen] = {
    0xb7, 0xe2, 0x9b, 0x24, 0x11, 0x8d, 0x3d, 0x75, 0x7a, 0xaf, 0xa3, 0xa0, 0x47, 0x91, 0x2e, 0x4e,
    0x86, 0xdd, 0x37, 0xf7, 0xe3, 0x1d, 0xc5, 0xb3, 0x38, 0xf3, 0x04, 0x58, 0x50, 0x62, 0x2e, 0xb0,
};

const unsigned char xspkey[xspkeyLen] = {
    kXspKeyValue & 0xff, (kXspKeyValue >> 8) & 0xff, (kXspKeyValue >> 16) & 0xff,
    (kXspKeyValue >> 24) & 0xff};

int Generate_Random(int count, void* out) {
  if (count < 0 || (count > 0 && out == nullptr)) {
    internal::Diag("Generate Random Error[%d]\n", internal::kStatusBadInput);
    return internal::kStatusBadInput;
  }
  if (count == 0) return 0;
  if (RAND_bytes(static_cast<unsigned char*>(out), count) != 1) {
    const int status = internal::TakeOpenSslStatus();
    internal::Diag("Generate Random Error[%d]\n", status);
    return status == 0 ? internal::kStatusBadInput : status;
  }
  return 0;
}

namespace internal {

void Diag(const char* format, ...) {
  va_list ap;
  va_start(ap, format);
  std::vfprintf(stderr, format, ap);
  va_end(ap);
}

int TakeOpenSslStatus() {
  const unsigned long e = ERR_peek_last_error();
  ERR_clear_error();
  return e == 0 ? -1 : ERR_GET_REASON(e);
}

bool HmacSha256(const void* key, int keyLen, const void* msg, int msgLen, unsigned char* out) {
  unsigned int len = 0;
  if (keyLen < 0 || msgLen < 0) return false;
  // HMAC() takes a null key only together with a zero length.
  static const unsigned char kEmpty = 0;
  if (key == nullptr && keyLen == 0) key = &kEmpty;
  if (msg == nullptr && msgLen == 0) msg = &kEmpty;
  if (key == nullptr || msg == nullptr) return false;
  if (HMAC(EVP_sha256(), key, keyLen, static_cast<const unsigned char*>(msg),
           static_cast<std::size_t>(msgLen), out, &len) == nullptr) {
    return false;
  }
  return len == 32;
}

}  // namespace internal
}  // namespace nx::encrypt
