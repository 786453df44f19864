// The byte-list form of ticket texts: "/" before each byte of the UTF-8 text in decimal, so that
// é travels as /195/169. The print system's option syntax gives the apostrophe, the comma and
// the backslash a meaning of their own, so texts holding one (and texts that would otherwise
// read as a byte list) are written in this form; the filter decodes it.
//
// The writers spell a byte in one of two ways, and what each writes is kept as it is: the
// framework's controls write unsigned values (/195/169), the recipient list signed 8-bit values
// (/-61/-87). Both decode to the same bytes.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace nx::ticket {

enum class ByteSpelling {
  kUnsigned,  // 0..255: the framework's controls
  kSigned,    // -128..127: the recipient list
};

// True when a text must be written as a byte list: it starts with "/" or holds "'", "," or "\".
bool NeedsByteList(std::string_view text);

// Every byte of `text` as "/" and its decimal value in `spelling`; "" for "".
std::string EncodeByteList(std::string_view text, ByteSpelling spelling);

// `text` as a ticket writer stores it: EncodeByteList when NeedsByteList, else unchanged.
std::string EncodeTicketText(std::string_view text, ByteSpelling spelling);

// The filter's reading of a ticket text. A text starting with "/" is a byte list: each
// "/"-separated field is read as a signed decimal number (leading blanks and a sign allowed,
// anything after the digits ignored) and gives one byte, the low 8 bits of its value; a value of
// 256 or more gives byte 0, which ends the text, as does a field without digits. Any other text
// is returned unchanged.
std::string DecodeTicketText(std::string_view text);

// DecodeTicketText into `out`, at most `capacity` bytes (no terminator written). `out` may be
// `text.data()` itself: decoding never writes ahead of what it has read. Returns the byte count.
std::size_t DecodeTicketText(std::string_view text, char* out, std::size_t capacity);

// True when `text` is a byte list that decodes whole: "/" followed by fields that are each a
// decimal number from -128 to 255 other than 0, no sign but "-", nothing else. Writers only
// produce such lists; a text that is not one would lose or change bytes on the way.
bool IsWholeByteList(std::string_view text);

}  // namespace nx::ticket
