// Text helpers; see text_util.h.
#include "text_util.h"

#include <limits>

namespace nx::phonebook::detail {

std::size_t DecodeUtf8(std::string_view text, char32_t& cp) {
  if (text.empty()) return 0;
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const unsigned char c = p[0];
  if (c < 0x80) {
    cp = c;
    return 1;
  }
  std::size_t len;
  char32_t v;
  if (c >= 0xC2 && c <= 0xDF) {
    len = 2;
    v = c & 0x1F;
  } else if (c >= 0xE0 && c <= 0xEF) {
    len = 3;
    v = c & 0x0F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    len = 4;
    v = c & 0x07;
  } else {
    return 0;
  }
  if (text.size() < len) return 0;
  for (std::size_t k = 1; k < len; ++k) {
    if ((p[k] & 0xC0) != 0x80) return 0;
    v = (v << 6) | (p[k] & 0x3F);
  }
  if ((len == 3 && v < 0x800) || (len == 4 && (v < 0x10000 || v > 0x10FFFF))) return 0;
  if (v >= 0xD800 && v <= 0xDFFF) return 0;
  cp = v;
  return len;
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

std::optional<std::size_t> Utf8CharCount(std::string_view text) {
  std::size_t count = 0;
  while (!text.empty()) {
    char32_t cp;
    const std::size_t n = DecodeUtf8(text, cp);
    if (n == 0) return std::nullopt;
    text.remove_prefix(n);
    ++count;
  }
  return count;
}

std::string_view Utf8Prefix(std::string_view text, std::size_t maxBytes) {
  if (text.size() <= maxBytes) return text;
  std::size_t end = 0;
  while (end < maxBytes) {
    char32_t cp;
    std::size_t n = DecodeUtf8(text.substr(end), cp);
    if (n == 0) n = 1;
    if (end + n > maxBytes) break;
    end += n;
  }
  return text.substr(0, end);
}

long long ParseLeadingInt(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  long long value = 0;
  constexpr long long kMax = std::numeric_limits<long long>::max() / 10 - 9;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    if (value < kMax) value = value * 10 + (text[i] - '0');
  }
  return negative ? -value : value;
}

bool IsAllDigits(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

}  // namespace nx::phonebook::detail
