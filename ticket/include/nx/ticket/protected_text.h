// The protected forms in which passwords travel in the settings ticket and are kept in the
// print settings, made and opened in one place for the panels and the filter.
//
// - Enciphered form: XOR scrambling, then base64. The panels' password controls write it into
//   the ticket, and recipient items carry mailbox and F-code passwords in it.
// - Storage form: storage encryption, then base64. The panels keep passwords in it; when the
//   queue asks for re-encryption the filter expects a password ticket to hold it.
//
// Results never carry the clear text anywhere but `out`; work buffers are wiped.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace nx::ticket {

// The longest clear text the enciphered form takes: its base64 text must fit 255 characters.
inline constexpr std::size_t kMaxEncipheredTextBytes = 189;
// The longest clear text the storage form takes (its base64 text fits 255 characters).
inline constexpr std::size_t kMaxStoredTextBytes = 175;

// The enciphered form of `clear` into `*out`: "" for "". False (and `*out` empty) when `clear`
// is longer than kMaxEncipheredTextBytes or a step fails.
[[nodiscard]] bool EncipherTicketText(std::string_view clear, std::string* out);

// The storage form of `clear` into `*out`. Result 0 on success; otherwise `*out` is empty and
// the result is the storage encryption's own failure code (positive) or a negative code when the
// base64 step fails (the text is too long).
[[nodiscard]] int EncryptStoredText(std::string_view clear, std::string* out);

// The clear text of a storage form into `*out`. Result 0 on success; -1 when `stored` is not
// base64 of at most 255 bytes; otherwise the storage decryption's failure code (positive).
// `*out` is empty on failure.
[[nodiscard]] int DecryptStoredText(std::string_view stored, std::string* out);

}  // namespace nx::ticket
