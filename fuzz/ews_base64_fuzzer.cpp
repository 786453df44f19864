// Fuzz target: the decoders of protected texts from files: EwsCsvDecrypt (the address-file form,
// ROT13 over base64) and the base64 decoders XSPB64ToBin / XspB64ToBin, with the encoders they
// pair with.
//
// Input: one byte giving the output capacity (0-255), then the text.
//
// Checked on every run: results are the documented codes with the documented lengths; nothing
// is written beyond the capacity (the output buffers are exactly that large); both decoder names
// agree; canonical base64 decodes as OpenSSL decodes it; EwsCsvDecrypt is the base64 decoding of
// the ROT13 text, NUL-terminated; encoding any bytes and decoding them gives them back; the XOR
// scrambling undoes itself.
#include <openssl/evp.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "EncryptLib.h"
#include "FuzzSupport.h"

namespace {

namespace enc = ::nx::encrypt;

bool IsAlphabet(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '/';
}

// Alphabet characters in groups of four, with "=" only as the last one or two characters.
bool IsCanonical(const std::string& text) {
  if (text.empty() || text.size() % 4 != 0) return false;
  std::size_t pad = 0;
  while (pad < 2 && text[text.size() - 1 - pad] == '=') ++pad;
  return std::all_of(text.begin(), text.end() - static_cast<std::ptrdiff_t>(pad),
                     [](char c) { return IsAlphabet(static_cast<unsigned char>(c)); });
}

unsigned char Rot13(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return static_cast<unsigned char>('A' + (c - 'A' + 13) % 26);
  if (c >= 'a' && c <= 'z') return static_cast<unsigned char>('a' + (c - 'a' + 13) % 26);
  return c;
}

// The decoder's result in a buffer of exactly `capacity` bytes.
struct Decoded {
  int rc = 0;
  int length = -1;
  std::vector<unsigned char> bytes;
};

Decoded Decode(int (*decoder)(const void*, int, void*, int*, int), const std::string& text, int capacity) {
  Decoded d;
  std::vector<unsigned char> out(static_cast<std::size_t>(capacity));
  unsigned char none = 0;
  d.rc = decoder(text.data(), static_cast<int>(text.size()), out.empty() ? &none : out.data(), &d.length, capacity);
  if (d.rc == enc::kXspSuccess) {
    FUZZ_CHECK(d.length >= 0 && d.length <= capacity);
    d.bytes.assign(out.begin(), out.begin() + d.length);
  }
  return d;
}

void CheckBase64Decoders(const std::string& text, int capacity) {
  const Decoded d = Decode(enc::XSPB64ToBin, text, capacity);
  const Decoded other = Decode(enc::XspB64ToBin, text, capacity);
  FUZZ_CHECK(d.rc == other.rc && d.length == other.length && d.bytes == other.bytes);
  if (text.empty() || text.size() % 4 != 0) {
    FUZZ_CHECK(d.rc == enc::kXspBadLength);
    return;
  }
  FUZZ_CHECK(d.rc == enc::kXspSuccess || d.rc == enc::kXspNoRoom);
  if (d.rc == enc::kXspNoRoom) FUZZ_CHECK(d.length > capacity);
  if (!IsCanonical(text)) return;

  std::vector<unsigned char> reference(text.size() / 4 * 3 + 1);
  const int n = EVP_DecodeBlock(reference.data(), reinterpret_cast<const unsigned char*>(text.data()),
                                static_cast<int>(text.size()));
  FUZZ_CHECK(n >= 0);
  const std::size_t pad = static_cast<std::size_t>(std::count(text.end() - 2, text.end(), '='));
  reference.resize(static_cast<std::size_t>(n) - pad);
  if (static_cast<int>(reference.size()) <= capacity) {
    FUZZ_CHECK(d.rc == enc::kXspSuccess);
    FUZZ_CHECK(d.bytes == reference);
  } else {
    FUZZ_CHECK(d.rc == enc::kXspNoRoom && d.length == static_cast<int>(reference.size()));
  }
}

void CheckEwsCsvDecrypt(const std::string& text, int capacity) {
  std::vector<unsigned char> out(static_cast<std::size_t>(capacity));
  unsigned char none = 0;
  int length = -1;
  const int rc = enc::EwsCsvDecrypt(text.data(), static_cast<int>(text.size()), out.empty() ? &none : out.data(),
                                    &length, capacity);
  // The text ends at its first NUL; the rest is the base64 decoding of its ROT13 form.
  std::string opened(text.substr(0, text.find('\0')));
  for (char& c : opened) c = static_cast<char>(Rot13(static_cast<unsigned char>(c)));
  if (text.empty() || capacity < 1 || opened.empty()) {
    FUZZ_CHECK(rc == enc::kXspBadLength);
    return;
  }
  const Decoded plain = Decode(enc::XSPB64ToBin, opened, capacity - 1);
  if (plain.rc != enc::kXspSuccess) {
    FUZZ_CHECK(rc == enc::kXspBadLength);
    return;
  }
  FUZZ_CHECK(rc == enc::kXspSuccess);
  FUZZ_CHECK(length == plain.length && length <= capacity - 1);
  FUZZ_CHECK(std::equal(plain.bytes.begin(), plain.bytes.end(), out.begin()));
  FUZZ_CHECK(out[static_cast<std::size_t>(length)] == 0);
}

void CheckEncoders(const std::string& text) {
  if (text.empty()) return;
  const std::vector<unsigned char> bytes(text.begin(), text.end());
  const int length = static_cast<int>(bytes.size());
  const int encodedSize = 4 * ((length + 2) / 3);
  std::vector<unsigned char> encoded(static_cast<std::size_t>(encodedSize));
  int n = -1;
  FUZZ_CHECK(enc::XSPBinToB64(bytes.data(), length, encoded.data(), &n, encodedSize - 1) == enc::kXspNoRoom);
  FUZZ_CHECK(n == encodedSize);
  FUZZ_CHECK(enc::XSPBinToB64(bytes.data(), length, encoded.data(), &n, encodedSize) == enc::kXspSuccess);
  FUZZ_CHECK(n == encodedSize);
  const Decoded back = Decode(enc::XSPB64ToBin, std::string(encoded.begin(), encoded.end()), length);
  FUZZ_CHECK(back.rc == enc::kXspSuccess);
  FUZZ_CHECK(std::equal(back.bytes.begin(), back.bytes.end(), bytes.begin(), bytes.end()));

  std::vector<unsigned char> scrambled(bytes.size()), plain(bytes.size());
  FUZZ_CHECK(enc::XSPEncrypt(bytes.data(), length, scrambled.data(), &n, length) == enc::kXspSuccess && n == length);
  FUZZ_CHECK(enc::XSPEncrypt(scrambled.data(), length, plain.data(), &n, length) == enc::kXspSuccess && n == length);
  FUZZ_CHECK(std::equal(plain.begin(), plain.end(), bytes.begin(), bytes.end()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  nx::fuzz::InputReader input(data, size);
  const int capacity = input.Byte();
  const std::string text(input.Rest());
  CheckBase64Decoders(text, capacity);
  CheckEwsCsvDecrypt(text, capacity);
  CheckEncoders(text);
  return 0;
}
