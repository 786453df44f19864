// Record text conversions between 8-bit and 16-bit text; see abif_data.h.
#include <cstring>
#include <new>

#include "nx/phonebook/abif_data.h"
#include "text_util.h"

namespace nx::phonebook {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsHighSurrogate(UniChar u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLowSurrogate(UniChar u) { return u >= 0xDC00 && u <= 0xDFFF; }

// UTF-16 text -> UTF-8 of whole characters within maxBytes.
std::string EncodeUtf8(std::u16string_view src, std::size_t maxBytes) {
  std::string out;
  std::string one;
  for (std::size_t i = 0; i < src.size(); ++i) {
    const UniChar u = src[i];
    char32_t cp = u;
    if (IsHighSurrogate(u) && i + 1 < src.size() && IsLowSurrogate(src[i + 1])) {
      cp = 0x10000 + ((static_cast<char32_t>(u) - 0xD800) << 10) + (src[i + 1] - 0xDC00);
      ++i;
    } else if (IsHighSurrogate(u) || IsLowSurrogate(u)) {
      cp = kReplacement;
    }
    one.clear();
    detail::AppendUtf8(one, cp);
    if (out.size() + one.size() > maxBytes) break;
    out += one;
  }
  return out;
}

// Longest well-formed UTF-8 prefix -> UTF-16, at most maxUnits units, pairs kept whole.
std::u16string DecodeUtf8(std::string_view src, std::size_t maxUnits) {
  std::u16string out;
  while (!src.empty()) {
    char32_t cp;
    const std::size_t n = detail::DecodeUtf8(src, cp);
    if (n == 0) break;
    const std::size_t need = cp >= 0x10000 ? 2 : 1;
    if (out.size() + need > maxUnits) break;
    if (need == 2) {
      out.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
    src.remove_prefix(n);
  }
  return out;
}

std::string_view CString(const char* src, std::size_t maxBytes) {
  return src == nullptr ? std::string_view() : std::string_view(src, strnlen(src, maxBytes));
}

std::u16string_view UString(const UniChar* src) {
  if (src == nullptr) return {};
  return std::u16string_view(reinterpret_cast<const char16_t*>(src), UniCharLength(src));
}

void StoreBytes(char* dst, std::size_t capacity, std::string_view text) {
  if (dst == nullptr || capacity == 0) return;
  const std::size_t n = text.size() < capacity - 1 ? text.size() : capacity - 1;
  std::memcpy(dst, text.data(), n);
  dst[n] = '\0';
}

void StoreUnits(UniChar* dst, std::size_t capacity, std::u16string_view text) {
  if (dst == nullptr || capacity == 0) return;
  const std::size_t n = text.size() < capacity - 1 ? text.size() : capacity - 1;
  for (std::size_t i = 0; i < n; ++i) dst[i] = text[i];
  dst[n] = 0;
}

std::size_t Room(std::size_t capacity) { return capacity == 0 ? 0 : capacity - 1; }

}  // namespace

std::size_t UniCharLength(const UniChar* text) {
  if (text == nullptr) return 0;
  std::size_t n = 0;
  while (text[n] != 0) ++n;
  return n;
}

std::size_t UniCharLength(const UniChar* text, std::size_t capacity) {
  if (text == nullptr) return 0;
  std::size_t n = 0;
  while (n < capacity && text[n] != 0) ++n;
  return n;
}

namespace {

// The buffer forms never throw: when memory runs out the output is left empty.
template <typename Char, typename Convert>
void Guarded(Char* dst, std::size_t capacity, Convert convert) {
  try {
    convert();
  } catch (const std::bad_alloc&) {
    if (dst != nullptr && capacity > 0) dst[0] = 0;
  }
}

}  // namespace

void UTF8FromASCII(char* dst, const char* src, std::size_t capacity) {
  StoreBytes(dst, capacity, CString(src, Room(capacity)));
}

void UniCharFromASCII(UniChar* dst, const char* src, std::size_t capacity) {
  Guarded(dst, capacity, [&] {
    StoreUnits(dst, capacity, UniCharFromASCII(CString(src, Room(capacity)), capacity));
  });
}

void UniCharFromUTF8(UniChar* dst, const char* src, std::size_t capacity) {
  Guarded(dst, capacity, [&] {
    StoreUnits(dst, capacity, UniCharFromUTF8(CString(src, Room(capacity)), capacity));
  });
}

void ASCIIFromUniChar(char* dst, const UniChar* src, std::size_t capacity) {
  Guarded(dst, capacity,
          [&] { StoreBytes(dst, capacity, ASCIIFromUniChar(UString(src), capacity)); });
}

void UTF8FromUniChar(char* dst, const UniChar* src, std::size_t capacity) {
  Guarded(dst, capacity,
          [&] { StoreBytes(dst, capacity, UTF8FromUniChar(UString(src), capacity)); });
}

std::string UTF8FromASCII(std::string_view src, std::size_t capacity) {
  src = src.substr(0, Room(capacity));
  return std::string(src.substr(0, src.find('\0')));
}

std::u16string UniCharFromASCII(std::string_view src, std::size_t capacity) {
  src = src.substr(0, Room(capacity));
  src = src.substr(0, src.find('\0'));
  std::u16string out;
  out.reserve(src.size());
  for (unsigned char c : src) out.push_back(c);
  return out;
}

std::u16string UniCharFromUTF8(std::string_view src, std::size_t capacity) {
  src = src.substr(0, Room(capacity));
  return DecodeUtf8(src.substr(0, src.find('\0')), Room(capacity));
}

std::string ASCIIFromUniChar(std::u16string_view src, std::size_t capacity) {
  src = src.substr(0, Room(capacity));
  std::string out;
  for (char16_t u : src) {
    const char c = static_cast<char>(u & 0xFF);
    if (c == '\0') break;
    out.push_back(c);
  }
  return out;
}

std::string UTF8FromUniChar(std::u16string_view src, std::size_t capacity) {
  return EncodeUtf8(src.substr(0, src.find(u'\0')), Room(capacity));
}

bool ConvertToUTF8(std::string& out, std::string_view text) {
  constexpr std::size_t kMax = 255;
  out.assign(detail::Utf8Prefix(text, kMax));
  return true;
}

bool ConvertToASCII(std::string& out, std::string_view text) {
  out.clear();
  for (unsigned char c : text) {
    if (c >= 0x80) return false;
  }
  out.assign(text.substr(0, 255));
  return true;
}

}  // namespace nx::phonebook
