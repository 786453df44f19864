// Small text helpers shared by the record conversions, the file readers and the CSV checks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

namespace nx::phonebook::detail {

// Decodes one strict UTF-8 character (no overlong forms, no surrogates, nothing above
// U+10FFFF) at the start of `text`. Returns its byte length, or 0 when the bytes there are not
// a whole well-formed character.
std::size_t DecodeUtf8(std::string_view text, char32_t& cp);

// Appends the UTF-8 form of `cp` (which must be a scalar value).
void AppendUtf8(std::string& out, char32_t cp);

// Number of characters of well-formed UTF-8, or nothing when malformed.
std::optional<std::size_t> Utf8CharCount(std::string_view text);

// The longest prefix of at most `maxBytes` bytes that does not end inside a UTF-8 sequence.
// Bytes that are not UTF-8 at all are cut like single-byte characters.
std::string_view Utf8Prefix(std::string_view text, std::size_t maxBytes);

// Length of a NUL-terminated text stored in a fixed array, never looking past the array.
template <std::size_t N>
std::string_view FieldText(const char (&field)[N]) {
  return std::string_view(field, strnlen(field, N));
}

// Stores `text` in a fixed array: at most N - 1 bytes, NUL-terminated, rest cleared.
template <std::size_t N>
void SetField(char (&field)[N], std::string_view text) {
  const std::size_t n = text.size() < N - 1 ? text.size() : N - 1;
  std::memset(field, 0, N);
  std::memcpy(field, text.data(), n);
}

// atoi-like reading of a count field: leading blanks, optional sign, digits; stops at the first
// other byte; saturates instead of overflowing. Empty or non-numeric text is 0.
long long ParseLeadingInt(std::string_view text);

// True when `text` is one or more ASCII digits and nothing else.
bool IsAllDigits(std::string_view text);

}  // namespace nx::phonebook::detail
