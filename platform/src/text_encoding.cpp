// Shift_JIS X0213 conversions on glibc iconv; see text_encoding.h.
#include "nx/platform/text_encoding.h"

#include <iconv.h>

#include <cerrno>
#include <memory>

namespace nx::platform {
namespace {

constexpr const char* kSjis = "SHIFT_JISX0213";
constexpr const char* kUtf8 = "UTF-8";

// An iconv descriptor in an owner; iconv_t is a pointer type whose failure value is (iconv_t)-1.
class Iconv {
 public:
  Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Iconv() {
    if (ok()) iconv_close(cd_);
  }
  Iconv(const Iconv&) = delete;
  Iconv& operator=(const Iconv&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  // Converts all of `in`, appending to `out`. False on any invalid or unconvertible input.
  bool Convert(std::string_view in, std::string& out) {
    if (!ok()) return false;
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);  // reset shift state
    char* src = const_cast<char*>(in.data());
    size_t left = in.size();
    char buf[1024];
    while (left > 0) {
      char* dst = buf;
      size_t room = sizeof buf;
      const size_t r = iconv(cd_, &src, &left, &dst, &room);
      out.append(buf, static_cast<size_t>(dst - buf));
      if (r == static_cast<size_t>(-1) && errno != E2BIG) return false;
    }
    // Flush any pending state (JIS X 0213 combining sequences are buffered by glibc).
    char* dst = buf;
    size_t room = sizeof buf;
    if (iconv(cd_, nullptr, nullptr, &dst, &room) == static_cast<size_t>(-1)) return false;
    out.append(buf, static_cast<size_t>(dst - buf));
    return true;
  }

 private:
  iconv_t cd_;
};

Iconv& ToSjis() {
  thread_local Iconv cd(kSjis, kUtf8);
  return cd;
}

Iconv& FromSjis() {
  thread_local Iconv cd(kUtf8, kSjis);
  return cd;
}

}  // namespace

bool ShiftJisX0213Available() {
  static const bool available = ToSjis().ok() && FromSjis().ok();
  return available;
}

std::size_t ShiftJisWholeCharPrefix(std::string_view sjis, std::size_t limit) {
  std::size_t i = 0;
  const std::size_t n = sjis.size();
  while (i < n) {
    const std::size_t step = IsShiftJisLeadByte(static_cast<unsigned char>(sjis[i])) && i + 1 < n ? 2 : 1;
    if (i + step > limit) break;
    i += step;
  }
  return i;
}

bool IsValidUtf8(std::string_view text) {
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const size_t n = text.size();
  size_t i = 0;
  while (i < n) {
    const unsigned char c = p[i];
    if (c < 0x80) {
      ++i;
      continue;
    }
    size_t len;
    uint32_t cp;
    if (c >= 0xC2 && c <= 0xDF) len = 2, cp = c & 0x1F;
    else if (c >= 0xE0 && c <= 0xEF) len = 3, cp = c & 0x0F;
    else if (c >= 0xF0 && c <= 0xF4) len = 4, cp = c & 0x07;
    else return false;
    if (n - i < len) return false;
    for (size_t k = 1; k < len; ++k) {
      if ((p[i + k] & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (p[i + k] & 0x3F);
    }
    if ((len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF))) return false;
    if (cp >= 0xD800 && cp <= 0xDFFF) return false;
    i += len;
  }
  return true;
}

bool Utf8ToShiftJis(std::string_view utf8, std::string& out) {
  out.clear();
  if (!IsValidUtf8(utf8) || !ShiftJisX0213Available()) return false;
  if (!ToSjis().Convert(utf8, out)) {
    out.clear();
    return false;
  }
  return true;
}

bool ShiftJisToUtf8(std::string_view sjis, std::string& out) {
  out.clear();
  if (!ShiftJisX0213Available()) return false;
  // ASCII bytes are copied; runs of everything else go through iconv.
  size_t i = 0;
  const size_t n = sjis.size();
  while (i < n) {
    const auto c = static_cast<unsigned char>(sjis[i]);
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
      ++i;
      continue;
    }
    size_t j = i;
    while (j < n) {
      const auto b = static_cast<unsigned char>(sjis[j]);
      if (b < 0x80) break;
      j += (IsShiftJisLeadByte(b) && j + 1 < n) ? 2 : 1;
    }
    if (j > n) j = n;
    if (!FromSjis().Convert(sjis.substr(i, j - i), out)) {
      out.clear();
      return false;
    }
    i = j;
  }
  return true;
}

}  // namespace nx::platform
