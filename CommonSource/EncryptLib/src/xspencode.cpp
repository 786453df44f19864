// The stored-secret form (XOR scrambling, then base64); see EncryptLib.h.
#include <openssl/crypto.h>

#include <algorithm>
#include <cstring>

#include "EncryptLib.h"

namespace nx::encrypt {

char* XSPEncodeSecret(char* buffer, int length, int capacity) {
  if (buffer == nullptr || length < 1 || capacity < 1 || length > capacity) return nullptr;
  unsigned char cipher[255];
  int cipherLen = 0;
  char* result = buffer;
  if (XSPEncrypt(buffer, length, cipher, &cipherLen, sizeof cipher) != kXspSuccess) {
    result = nullptr;
  }
  std::memset(buffer, 0, static_cast<std::size_t>(capacity));
  // The text must leave room for the terminator that the clearing provides.
  int textLen = 0;
  if (result != nullptr &&
      XSPBinToB64(cipher, cipherLen, buffer, &textLen, std::min(255, capacity - 1)) != kXspSuccess) {
    std::memset(buffer, 0, static_cast<std::size_t>(capacity));
    result = nullptr;
  }
  // The scrambled bytes are as good as the clear text to anyone who knows the fixed key.
  OPENSSL_cleanse(cipher, sizeof cipher);
  return result;
}

}  // namespace nx::encrypt
