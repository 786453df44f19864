// The byte-list form of ticket texts; see byte_list.h.
#include "nx/ticket/byte_list.h"

#include <cstdint>

namespace nx::ticket {
namespace {

// Bytes are handled as this type throughout, so that a text's bytes have one value whichever
// signedness `char` has.
using Byte = std::uint8_t;

bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Reads the field that starts at text[i] (just after its "/") and returns its byte; `i` is left
// at the next "/" or the end. Exact for numbers of any length.
Byte ReadField(std::string_view text, std::size_t& i) {
  while (i < text.size() && IsBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  unsigned residue = 0;  // value mod 256
  unsigned small = 0;    // value while below 256
  bool large = false;    // value >= 256
  for (; i < text.size() && IsDigit(text[i]); ++i) {
    const unsigned digit = static_cast<unsigned>(text[i] - '0');
    residue = (residue * 10 + digit) % 256;
    if (!large) {
      small = small * 10 + digit;
      large = small >= 256;
    }
  }
  while (i < text.size() && text[i] != '/') ++i;  // the rest of the field is ignored
  if (negative) return static_cast<Byte>((256 - residue) % 256);
  return large ? 0 : static_cast<Byte>(small);
}

}  // namespace

bool NeedsByteList(std::string_view text) {
  return (!text.empty() && text.front() == '/') ||
         text.find_first_of("',\\") != std::string_view::npos;
}

std::string EncodeByteList(std::string_view text, ByteSpelling spelling) {
  std::string out;
  out.reserve(text.size() * 5);
  for (const char c : text) {
    const Byte byte = static_cast<Byte>(c);
    out += '/';
    out += spelling == ByteSpelling::kSigned ? std::to_string(static_cast<std::int8_t>(byte))
                                             : std::to_string(byte);
  }
  return out;
}

std::string EncodeTicketText(std::string_view text, ByteSpelling spelling) {
  return NeedsByteList(text) ? EncodeByteList(text, spelling) : std::string(text);
}

std::size_t DecodeTicketText(std::string_view text, char* out, std::size_t capacity) {
  if (out == nullptr) return 0;
  if (text.empty() || text.front() != '/') {
    const std::size_t n = text.size() < capacity ? text.size() : capacity;
    for (std::size_t k = 0; k < n; ++k) out[k] = text[k];
    return n;
  }
  std::size_t n = 0;
  std::size_t i = 0;
  while (i < text.size() && text[i] == '/' && n < capacity) {
    ++i;
    const Byte byte = ReadField(text, i);
    if (byte == 0) break;
    out[n++] = static_cast<char>(byte);
  }
  return n;
}

std::string DecodeTicketText(std::string_view text) {
  std::string out(text.size(), '\0');  // a byte list never decodes longer than itself
  out.resize(DecodeTicketText(text, out.data(), out.size()));
  return out;
}

bool IsWholeByteList(std::string_view text) {
  if (text.size() < 2 || text.front() != '/') return false;
  std::size_t i = 0;
  while (i < text.size()) {
    if (text[i++] != '/') return false;
    const bool negative = i < text.size() && text[i] == '-';
    if (negative) ++i;
    const std::size_t digits = i;
    long value = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
      if (value <= 255) value = value * 10 + (text[i] - '0');
    }
    if (i == digits || (i < text.size() && text[i] != '/')) return false;
    if (negative) value = -value;
    if (value < -128 || value > 255 || value == 0) return false;
  }
  return true;
}

}  // namespace nx::ticket
