// Texts in the device's encoding (Shift_JIS with the JIS X 0213 extension): conversion from
// UTF-8 into fixed-size buffers, the character scales that names are validated against, the
// blank test, and the clean-up that keeps a value on one header line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace nx::filter {

// Converts UTF-8 `source` into `destination`, which is first cleared to `size` bytes and always
// ends NUL-terminated (when size > 0).
// Result: the byte length written, or 0 when the conversion is incomplete:
//  - `source` is not valid UTF-8: the destination stays empty;
//  - the text does not fit `size` bytes including the NUL, or holds a character without a
//    Shift_JIS X0213 form: the destination holds the longest convertible prefix that fits,
//    cut at a character boundary (never half a double-byte character).
// Callers use the destination whatever the result.
int ConvertUTF8ToEncoding(std::string_view source, char* destination, std::size_t size);

// One inclusive range of byte or word values.
struct CharRange {
  std::uint32_t low;
  std::uint32_t high;
};

// A validation table: a text is valid when it can be consumed from the start as units that are
// either two bytes whose big-endian value lies in a word range (tried first) or one byte that lies
// in a byte range.
struct CharScale {
  std::uint32_t byteRangeCount;
  CharRange byteRanges[10];
  std::uint32_t wordRangeCount;
  CharRange wordRanges[10];
};

extern const CharScale kUserNameScale;
// Document names: the default scale (also product type 3) and the scale of product type 2.
extern const CharScale kDocumentNameScale;
extern const CharScale kDocumentNameScaleProduct2;

// True when the NUL-terminated `text` is valid against `scale` (the empty text is valid). A null
// text counts as empty.
bool IsStringInScale(const char* text, const CharScale& scale);

// True when `text` consists only of ASCII spaces and ideographic spaces (0x81 0x40); the empty
// (or null) text is blank.
bool IsBlankString(const char* text);

// Removes, in place, every control byte (0x00-0x1F, 0x7F) and double quote from the
// NUL-terminated `text`, so that a value placed inside a quoted header attribute can neither end
// the quotes nor the line. Safe on Shift_JIS text: no second byte of a double-byte character lies
// in those ranges. Returns the new length.
std::size_t StripHeaderUnsafeBytes(char* text);

}  // namespace nx::filter
