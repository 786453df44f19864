// Protected field forms; see phonebook_cipher.h.
#include "phonebook_cipher.h"

#include <openssl/crypto.h>

#include <climits>
#include <vector>

#include "EncryptLib.h"

namespace nx::phonebook::detail {
namespace {

namespace enc = nx::encrypt;

// Clears a buffer that held a password before it is released.
struct Wiped {
  std::vector<unsigned char> bytes;
  explicit Wiped(std::size_t n) : bytes(n) {}
  ~Wiped() {
    if (!bytes.empty()) OPENSSL_cleanse(bytes.data(), bytes.size());
  }
};

bool FitsInt(std::string_view text) { return text.size() < static_cast<std::size_t>(INT_MAX / 2); }

}  // namespace

std::optional<std::string> XspEncodeText(std::string_view plain) {
  if (plain.empty()) return std::string();
  if (!FitsInt(plain)) return std::nullopt;
  const int n = static_cast<int>(plain.size());
  Wiped scrambled(plain.size());
  int outLen = 0;
  if (enc::XSPEncrypt(plain.data(), n, scrambled.bytes.data(), &outLen, n) != enc::kXspSuccess ||
      outLen != n) {
    return std::nullopt;
  }
  const int cap = 4 * ((n + 2) / 3);
  std::string b64(static_cast<std::size_t>(cap), '\0');
  int b64Len = 0;
  if (enc::XSPBinToB64(scrambled.bytes.data(), n, b64.data(), &b64Len, cap) != enc::kXspSuccess) {
    return std::nullopt;
  }
  b64.resize(static_cast<std::size_t>(b64Len));
  return b64;
}

std::optional<std::string> XspDecodeText(std::string_view b64) {
  if (b64.empty() || !FitsInt(b64)) return std::nullopt;
  const int n = static_cast<int>(b64.size());
  const int cap = 3 * (n / 4) + 3;
  Wiped scrambled(static_cast<std::size_t>(cap));
  int binLen = 0;
  if (enc::XSPB64ToBin(b64.data(), n, scrambled.bytes.data(), &binLen, cap) != enc::kXspSuccess ||
      binLen < 0 || binLen > cap) {
    return std::nullopt;
  }
  if (binLen == 0) return std::string();
  std::string plain(static_cast<std::size_t>(binLen), '\0');
  int outLen = 0;
  if (enc::XSPEncrypt(scrambled.bytes.data(), binLen, plain.data(), &outLen, binLen) !=
          enc::kXspSuccess ||
      outLen != binLen) {
    return std::nullopt;
  }
  return plain;
}

std::optional<std::string> Base64Text(std::string_view bytes) {
  if (bytes.empty()) return std::string();
  if (!FitsInt(bytes)) return std::nullopt;
  const int n = static_cast<int>(bytes.size());
  const int cap = 4 * ((n + 2) / 3);
  std::string b64(static_cast<std::size_t>(cap), '\0');
  int b64Len = 0;
  if (enc::XSPBinToB64(bytes.data(), n, b64.data(), &b64Len, cap) != enc::kXspSuccess) {
    return std::nullopt;
  }
  b64.resize(static_cast<std::size_t>(b64Len));
  return b64;
}

std::optional<std::string> EwsDecryptText(std::string_view text, int capacity) {
  if (text.empty() || !FitsInt(text) || capacity < 1) return std::nullopt;
  Wiped out(static_cast<std::size_t>(capacity));
  int outLen = 0;
  if (enc::EwsCsvDecrypt(text.data(), static_cast<int>(text.size()), out.bytes.data(), &outLen,
                         capacity) != enc::kXspSuccess ||
      outLen < 0 || outLen >= capacity) {
    return std::nullopt;
  }
  return std::string(reinterpret_cast<const char*>(out.bytes.data()),
                     static_cast<std::size_t>(outLen));
}

}  // namespace nx::phonebook::detail
