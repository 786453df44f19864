// The settings ticket as job options: ticket keys, the panels' escaped byte-list form, and the
// fitting of a ticket into what the print server can hand to a filter.
//
// The server passes every job option to each filter in one argument (argv[5]); Linux refuses an
// argument of 128 KiB or more (MAX_ARG_STRLEN), and the server then cannot start the job's
// first filter: the job stops with "Argument list too long" and nothing is sent. Recipient
// items in the escaped byte-list form take up to four bytes per character, so a ticket with
// 200 long escaped items does not fit. FitTicketToServer sends such items as their plain text
// instead: handed to the server as an option value (cupsAddOption, cupsPrintFile), the text
// reaches the filter with the server's own escapes and reads back to the same bytes. It refuses
// a ticket that still does not fit.
//
// The client library sends an option value that starts with "{" as a collection, and the server
// leaves collections out of argv[5]: such a text would vanish on the way. FitTicketToServer sends
// those in the byte-list form, which every text reader of the filter decodes.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "nx/ticket/keys.h"
#include "pdehost/JobOptions.h"

namespace pdehost {

inline constexpr std::string_view kTicketPrefix = nx::ticket::kTicketKeyPrefix;

// kTicketPrefix + name.
using nx::ticket::TicketKey;

// The recipient list's ticket escaping (nx::ticket::EncodeTicketText, signed spelling): when the
// text starts with "/" or holds an apostrophe, a comma or a backslash, "/" + the signed 8-bit
// decimal value of every byte; otherwise the text itself.
std::string EscapeTicketText(std::string_view text);

// The byte-list form of any text: "/" + the signed 8-bit decimal value of every byte.
std::string ByteList(std::string_view text);

// The bytes of a byte-list text, when every field is a decimal number giving a non-zero byte
// (-128..-1, 1..255; nx::ticket::IsWholeByteList); nothing for any other text.
std::optional<std::string> DecodeByteList(std::string_view text);

// Length of argv[5] as the server would build it from these options alone: name=value pairs
// joined by spaces, with a backslash before each space, tab, newline, backslash and quote.
std::size_t ServerOptionLength(const JobOptionList& options);

// Bytes of argv[5] left to the ticket: the kernel's limit less what the server adds itself
// (job-uuid, times, the document name, the PPD's preset options).
inline constexpr std::size_t kServerOptionBudget = 131072 - 1 - 8192;

// Readies a ticket for submission with cupsAddOption: ticket values starting with "{" take the
// byte-list form; then, when the ticket is too long for kServerOptionBudget, recipient items in
// byte-list form whose text is printable ASCII not starting with "/" (the filter would decode it) or "{"
// (the client library would send it as a collection, which the server drops) become that text.
// The result is for cupsAddOption; a command line (lp -o) would need the option syntax's quotes
// on top. False (with *error) when the ticket still does not fit; the options are then unchanged.
[[nodiscard]] bool FitTicketToServer(JobOptionList& options, std::string* error);

}  // namespace pdehost
