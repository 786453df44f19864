// Device public key text to an RSA key: base64 (line ends ignored, PEM armour skipped) of the
// DER SubjectPublicKeyInfo.
#include <openssl/evp.h>
#include <openssl/x509.h>

#include <climits>
#include <cstring>
#include <vector>

#include "secblobenc_internal.h"

namespace nx::encrypt::internal {

bool DecodeKeyText(const char* text, int textLen, std::vector<unsigned char>& der) {
  der.clear();
  if (text == nullptr || textLen <= 0) return false;

  EncodeCtxPtr ctx(EVP_ENCODE_CTX_new());
  if (!ctx) return false;
  EVP_DecodeInit(ctx.get());
  // Room for the whole text decoded, plus the block OpenSSL may hold back.
  der.resize(static_cast<std::size_t>(textLen) / 4 * 3 + 80);
  int total = 0;

  const char* p = text;
  const char* end = text + textLen;
  while (p < end) {
    const char* eol = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
    const char* lineEnd = eol ? eol + 1 : end;
    // "-----BEGIN ...-----" and "-----END ...-----" lines of a PEM file carry no key bytes.
    const bool armour = lineEnd - p >= 5 && std::memcmp(p, "-----", 5) == 0;
    if (!armour) {
      int n = 0;
      if (EVP_DecodeUpdate(ctx.get(), der.data() + total, &n,
                           reinterpret_cast<const unsigned char*>(p),
                           static_cast<int>(lineEnd - p)) < 0) {
        der.clear();
        return false;
      }
      total += n;
    }
    p = lineEnd;
  }
  int n = 0;
  if (EVP_DecodeFinal(ctx.get(), der.data() + total, &n) != 1) {
    der.clear();
    return false;
  }
  total += n;
  der.resize(static_cast<std::size_t>(total));
  return total > 0;
}

PkeyPtr ParseRsaPublicKey(const std::vector<unsigned char>& der) {
  if (der.empty() || der.size() > static_cast<std::size_t>(LONG_MAX)) return nullptr;
  const unsigned char* p = der.data();
  PkeyPtr key(d2i_PUBKEY(nullptr, &p, static_cast<long>(der.size())));
  // Trailing bytes mean the text was not one key; refuse rather than guess.
  if (!key || p != der.data() + der.size()) return nullptr;
  if (EVP_PKEY_is_a(key.get(), "RSA") != 1) return nullptr;
  return key;
}

}  // namespace nx::encrypt::internal
