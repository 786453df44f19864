// Character filters and the text formatter; see TextEditFormatter.h.
#include "pdekit/TextEditFormatter.h"

#include <algorithm>
#include <vector>

#include "nx/platform/text_encoding.h"
#include "pdekit/UtilityFunction.h"

namespace pdekit {

const InputFilter kNamesInputFilter = {
    2,
    {{0x20, 0x7E}, {0xA1, 0xDF}},
    17,
    {{0x20, 0x7E},
     {0xA2, 0xA3},
     {0xA5, 0xA5},
     {0xA7, 0xA8},
     {0xAC, 0xAC},
     {0xB0, 0xB6},
     {0xD7, 0xD7},
     {0xF7, 0xF7},
     {0x391, 0x3A9},
     {0x3B1, 0x3C1},
     {0x3C3, 0x3C9},
     {0x401, 0x401},
     {0x410, 0x451},
     {0x2010, 0x2103},
     {0x2116, 0x2121},
     {0x212B, 0xFA2D},
     {0xFF01, 0xFFE5}},
    "Warning32",
};

const InputFilter kAccountIDInputFilter = {
    2, {{0x20, 0x7E}, {0xA1, 0xDF}}, 2, {{0x20, 0x7E}, {0xA5, 0xA5}}, "Warning34",
};

namespace {

// Code points of strict UTF-8 text; empty on malformed input.
std::optional<std::vector<uint32_t>> CodePoints(std::string_view s) {
  std::vector<uint32_t> out;
  for (size_t i = 0; i < s.size();) {
    const auto c = static_cast<unsigned char>(s[i]);
    size_t len;
    uint32_t cp;
    if (c < 0x80) len = 1, cp = c;
    else if (c >= 0xC2 && c <= 0xDF) len = 2, cp = c & 0x1F;
    else if (c >= 0xE0 && c <= 0xEF) len = 3, cp = c & 0x0F;
    else if (c >= 0xF0 && c <= 0xF4) len = 4, cp = c & 0x07;
    else return std::nullopt;
    if (s.size() - i < len) return std::nullopt;
    for (size_t k = 1; k < len; ++k) {
      const auto b = static_cast<unsigned char>(s[i + k]);
      if ((b & 0xC0) != 0x80) return std::nullopt;
      cp = (cp << 6) | (b & 0x3F);
    }
    if ((len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
        (cp >= 0xD800 && cp <= 0xDFFF))
      return std::nullopt;
    out.push_back(cp);
    i += len;
  }
  return out;
}

bool InCharRanges(uint32_t unit, const InputFilter& filter) {
  const int n = std::clamp<int32_t>(filter.charRangeCount, 0, kMaxFilterRanges);
  for (int i = 0; i < n; ++i) {
    const FilterRange& r = filter.charRanges[i];
    if (static_cast<int64_t>(unit) >= r.low && static_cast<int64_t>(unit) <= r.high) return true;
  }
  return false;
}

// The UTF-16 units of one code point.
int Utf16Units(uint32_t cp, uint32_t units[2]) {
  if (cp < 0x10000) {
    units[0] = cp;
    return 1;
  }
  const uint32_t v = cp - 0x10000;
  units[0] = 0xD800 + (v >> 10);
  units[1] = 0xDC00 + (v & 0x3FF);
  return 2;
}

std::string EncodeUtf8(uint32_t cp) {
  std::string out;
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
  return out;
}

}  // namespace

bool validateInput(std::string_view text, const InputFilter& filter) {
  if (text.empty()) return true;
  const auto cps = CodePoints(text);
  if (!cps) return false;
  for (uint32_t cp : *cps) {
    uint32_t units[2];
    const int n = Utf16Units(cp, units);
    for (int k = 0; k < n; ++k)
      if (!InCharRanges(units[k], filter)) return false;
  }
  return true;
}

bool validateInputByJIS(std::string_view text, const InputFilter& filter) {
  if (text.empty()) return true;
  const auto cps = CodePoints(text);
  if (!cps) return false;
  for (uint32_t cp : *cps) {
    uint32_t code = cp;
    if (cp >= 0x100) {
      std::string sjis;
      if (!nx::platform::Utf8ToShiftJis(EncodeUtf8(cp), sjis) || sjis.empty() || sjis.size() > 2) return false;
      code = static_cast<unsigned char>(sjis[0]);
      if (sjis.size() == 2) code = (code << 8) | static_cast<unsigned char>(sjis[1]);
    }
    if (!InCharRanges(code, filter)) return false;
  }
  return true;
}

bool IsAllSpace(std::string_view text) {
  const auto cps = CodePoints(text);
  if (!cps) return false;
  return std::all_of(cps->begin(), cps->end(), [](uint32_t cp) { return cp == 0x20 || cp == 0x3000; });
}

bool TextEditFormatter::IsPartialStringValid(const std::string& partial, std::string* error) {
  const bool characters = !filter_ || validateInput(partial, *filter_);
  if (characters && GetStringLength(partial) <= static_cast<int64_t>(maxLength_)) return true;
  if (error) *error = kStringTooLong;
  if (toolkit_) toolkit_->Beep();
  return false;
}

}  // namespace pdekit
