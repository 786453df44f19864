// Device-encoding conversion and validation; see DeviceEncoding.h.
#include "DeviceEncoding.h"

#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "nx/platform/text_encoding.h"

namespace nx::filter {
namespace {

// Converts the longest prefix of the valid UTF-8 `utf8` (whole characters) that has a Shift_JIS
// form. Converting whole prefixes, rather than character by character, keeps the JIS X 0213
// combining sequences intact.
std::string LongestConvertiblePrefix(std::string_view utf8) {
  std::vector<std::size_t> bounds;
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    if ((static_cast<unsigned char>(utf8[i]) & 0xC0) != 0x80) bounds.push_back(i);
  }
  bounds.push_back(utf8.size());
  // bounds[lo] converts (the empty prefix always does), bounds[hi] does not.
  std::size_t lo = 0;
  std::size_t hi = bounds.size() - 1;
  std::string best;
  std::string trial;
  while (hi - lo > 1) {
    const std::size_t mid = lo + (hi - lo) / 2;
    if (platform::Utf8ToShiftJis(utf8.substr(0, bounds[mid]), trial)) {
      lo = mid;
      best.swap(trial);
    } else {
      hi = mid;
    }
  }
  return best;
}

bool InRanges(std::uint32_t value, const CharRange* ranges, std::uint32_t count) {
  if (count > 10) count = 10;
  for (std::uint32_t i = 0; i < count; ++i) {
    if (value >= ranges[i].low && value <= ranges[i].high) return true;
  }
  return false;
}

}  // namespace

int ConvertUTF8ToEncoding(std::string_view source, char* destination, std::size_t size) {
  if (destination == nullptr || size == 0) return 0;
  std::memset(destination, 0, size);
  if (!platform::IsValidUtf8(source)) return 0;

  std::string sjis;
  bool complete = true;
  try {
    if (!platform::Utf8ToShiftJis(source, sjis)) {
      complete = false;
      sjis = LongestConvertiblePrefix(source);
    }
  } catch (const std::bad_alloc&) {
    return 0;
  }
  std::size_t length = sjis.size();
  if (length > size - 1) {
    complete = false;
    length = platform::ShiftJisWholeCharPrefix(sjis, size - 1);
  }
  std::memcpy(destination, sjis.data(), length);
  return complete ? static_cast<int>(length) : 0;
}

const CharScale kUserNameScale = {
    2,
    {{0x20, 0x7E}, {0xA1, 0xDF}},
    4,
    {{0x8140, 0x9F7E}, {0x8180, 0x9FFC}, {0xE040, 0xFC7E}, {0xE080, 0xFCFC}}};

const CharScale kDocumentNameScale = {
    2,
    {{0x20, 0x7E}, {0xA1, 0xDF}},
    4,
    {{0x8140, 0x9F7E}, {0x8180, 0x9FFC}, {0xE040, 0xFC7E}, {0xE080, 0xFCFC}}};

// The word range 0x0020-0x007E never matches inside a NUL-terminated text; it is kept because
// it is part of the device's table.
const CharScale kDocumentNameScaleProduct2 = {
    2, {{0x20, 0x7E}, {0xA1, 0xDF}}, 3, {{0x0020, 0x007E}, {0x8160, 0x8160}, {0xFF61, 0xFF9F}}};

bool IsStringInScale(const char* text, const CharScale& scale) {
  if (text == nullptr) return true;
  const auto* p = reinterpret_cast<const unsigned char*>(text);
  const std::size_t n = std::strlen(text);
  std::size_t i = 0;
  while (i < n) {
    if (i + 1 < n) {
      const std::uint32_t word = (std::uint32_t{p[i]} << 8) | p[i + 1];
      if (InRanges(word, scale.wordRanges, scale.wordRangeCount)) {
        i += 2;
        continue;
      }
    }
    if (!InRanges(p[i], scale.byteRanges, scale.byteRangeCount)) return false;
    ++i;
  }
  return true;
}

bool IsBlankString(const char* text) {
  if (text == nullptr) return true;
  const auto* p = reinterpret_cast<const unsigned char*>(text);
  while (*p != 0) {
    if (p[0] == 0x20) {
      ++p;
    } else if (p[0] == 0x81 && p[1] == 0x40) {
      p += 2;
    } else {
      return false;
    }
  }
  return true;
}

std::size_t StripHeaderUnsafeBytes(char* text) {
  if (text == nullptr) return 0;
  char* out = text;
  for (const char* in = text; *in != 0; ++in) {
    const auto c = static_cast<unsigned char>(*in);
    if (c < 0x20 || c == 0x7F || c == '"') continue;
    *out++ = *in;
  }
  *out = 0;
  return static_cast<std::size_t>(out - text);
}

}  // namespace nx::filter
