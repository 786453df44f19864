// The protected forms the phonebook files and CSV exports carry, over the encryption library's
// buffer routines. Nothing here logs: the values are passwords.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace nx::phonebook::detail {

// Plain text -> XOR scrambling -> base64 (the enciphered fields of FAP files). Empty stays empty.
std::optional<std::string> XspEncodeText(std::string_view plain);
// The inverse: base64 -> XOR scrambling. Nothing when the text does not decode.
std::optional<std::string> XspDecodeText(std::string_view b64);
// Standard base64 of `bytes` (empty for empty input).
std::optional<std::string> Base64Text(std::string_view bytes);
// A protected field of a device CSV export, opened into at most capacity - 1 bytes.
std::optional<std::string> EwsDecryptText(std::string_view text, int capacity);

}  // namespace nx::phonebook::detail
