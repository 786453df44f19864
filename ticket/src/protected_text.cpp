// Protected forms of passwords; see protected_text.h.
#include "nx/ticket/protected_text.h"

#include <openssl/crypto.h>

#include <climits>
#include <new>

#include "EncryptLib.h"

namespace nx::ticket {
namespace {

namespace enc = nx::encrypt;

// Base64 texts of either form are at most this long, and opened forms at most this many bytes.
constexpr int kTextLimit = 255;

// Zeroes a buffer that held a clear text or its scrambled bytes when it goes out of scope.
template <int N>
struct SecretBuffer {
  unsigned char bytes[N]{};
  ~SecretBuffer() { OPENSSL_cleanse(bytes, N); }
};

// The base64 text of `length` bytes into `*out`; the XSP result code.
int ToBase64(const unsigned char* bytes, int length, std::string* out) {
  char text[kTextLimit];
  int textLength = 0;
  const int rc = enc::XSPBinToB64(bytes, length, text, &textLength, kTextLimit);
  if (rc == enc::kXspSuccess) out->assign(text, static_cast<std::size_t>(textLength));
  return rc;
}

}  // namespace

bool EncipherTicketText(std::string_view clear, std::string* out) {
  if (out == nullptr) return false;
  out->clear();
  if (clear.empty()) return true;
  if (clear.size() > kMaxEncipheredTextBytes) return false;
  SecretBuffer<kTextLimit> scrambled;
  int scrambledLength = 0;
  try {
    return enc::XSPEncrypt(clear.data(), static_cast<int>(clear.size()), scrambled.bytes,
                           &scrambledLength, kTextLimit) == enc::kXspSuccess &&
           ToBase64(scrambled.bytes, scrambledLength, out) == enc::kXspSuccess;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

int EncryptStoredText(std::string_view clear, std::string* out) {
  if (out == nullptr) return enc::kXspNullPointer;
  out->clear();
  if (clear.size() > kMaxStoredTextBytes) return enc::kXspNoRoom;
  unsigned char cipher[enc::StorageCipherLen(static_cast<int>(kMaxStoredTextBytes))];
  int cipherLength = sizeof cipher;
  const int rc = enc::Encode_Storage(clear.data(), static_cast<int>(clear.size()), enc::seed1,
                                     enc::seed1Len, enc::seed2, enc::seed2Len, enc::seed3,
                                     enc::seed3Len, cipher, &cipherLength);
  if (rc != enc::kEncSuccess) return rc;
  try {
    return ToBase64(cipher, cipherLength, out);
  } catch (const std::bad_alloc&) {
    return enc::kXspNullPointer;
  }
}

int DecryptStoredText(std::string_view stored, std::string* out) {
  if (out == nullptr) return -1;
  out->clear();
  if (stored.size() > static_cast<std::size_t>(INT_MAX)) return -1;
  unsigned char cipher[kTextLimit];
  int cipherLength = 0;
  if (enc::XSPB64ToBin(stored.data(), static_cast<int>(stored.size()), cipher, &cipherLength,
                       kTextLimit) != enc::kXspSuccess) {
    return -1;
  }
  SecretBuffer<kTextLimit> plain;
  int plainLength = kTextLimit;
  const int rc =
      enc::Decode_Storage(cipher, cipherLength, enc::seed1, enc::seed1Len, enc::seed2,
                          enc::seed2Len, enc::seed3, enc::seed3Len, plain.bytes, &plainLength);
  if (rc != enc::kEncSuccess) return rc;
  try {
    out->assign(reinterpret_cast<const char*>(plain.bytes), static_cast<std::size_t>(plainLength));
  } catch (const std::bad_alloc&) {
    return -1;
  }
  return enc::kEncSuccess;
}

}  // namespace nx::ticket
