// Text conversions between UTF-8 and the devices' encoding, Shift_JIS with the JIS X 0213
// extension, through the system's iconv ("SHIFT_JISX0213").
//
// ASCII passes through unchanged in both directions: iconv decodes the single bytes 0x5C and
// 0x7E as YEN SIGN and OVERLINE, but the devices and every file this system reads treat them as
// backslash and tilde, so those two bytes are decoded as ASCII here.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace nx::platform {

// True when the system's iconv can convert to and from SHIFT_JISX0213. Checked once.
bool ShiftJisX0213Available();

// Fails (returns false, `out` cleared) when the input is not valid UTF-8 or holds a character
// without a Shift_JIS X0213 form, or when the converter is unavailable.
[[nodiscard]] bool Utf8ToShiftJis(std::string_view utf8, std::string& out);

// Fails (returns false, `out` cleared) when the input is not valid Shift_JIS X0213.
[[nodiscard]] bool ShiftJisToUtf8(std::string_view sjis, std::string& out);

// Shift_JIS (CP932 and X0213 alike) lead bytes: 0x81-0x9F and 0xE0-0xFC. 0xFD-0xFF start no
// double-byte character.
constexpr bool IsShiftJisLeadByte(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// Bytes of the longest prefix of the Shift_JIS `sjis` made of whole characters and at most
// `limit` bytes long. A lead byte with nothing after it counts as a character of its own.
std::size_t ShiftJisWholeCharPrefix(std::string_view sjis, std::size_t limit);

// Strict UTF-8 validity: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(std::string_view text);

}  // namespace nx::platform
