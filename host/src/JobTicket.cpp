// The ticket as job options; see JobTicket.h.
#include "pdehost/JobTicket.h"

#include "nx/ticket/byte_list.h"

namespace pdehost {

std::string ByteList(std::string_view text) {
  return nx::ticket::EncodeByteList(text, nx::ticket::ByteSpelling::kSigned);
}

std::string EscapeTicketText(std::string_view text) {
  return nx::ticket::EncodeTicketText(text, nx::ticket::ByteSpelling::kSigned);
}

std::optional<std::string> DecodeByteList(std::string_view text) {
  if (!nx::ticket::IsWholeByteList(text)) return std::nullopt;
  return nx::ticket::DecodeTicketText(text);
}

std::size_t ServerOptionLength(const JobOptionList& options) {
  std::size_t n = 0;
  for (const auto& [name, value] : options) {
    if (n) ++n;  // separating space
    n += name.size() + 1;
    for (const char c : value) n += std::string_view(" \t\n\\'\"").find(c) != std::string_view::npos ? 2 : 1;
  }
  return n;
}

namespace {

bool IsRecipientItemKey(std::string_view key) {
  return key.starts_with(nx::ticket::key::DFRecipientListItemKeyTicket);
}

bool PrintableAscii(std::string_view s) {
  for (const char c : s) {
    if (c < 0x20 || c > 0x7E) return false;
  }
  return true;
}

}  // namespace

bool FitTicketToServer(JobOptionList& options, std::string* error) {
  JobOptionList fitted = options;
  for (auto& [key, value] : fitted) {
    if (key.starts_with(kTicketPrefix) && value.starts_with('{')) value = ByteList(value);
  }
  if (ServerOptionLength(fitted) <= kServerOptionBudget) {
    options = std::move(fitted);
    return true;
  }
  for (std::size_t i = 0; i < fitted.size(); ++i) {
    if (!IsRecipientItemKey(fitted[i].first)) continue;
    const auto text = DecodeByteList(fitted[i].second);
    if (!text || text->empty() || text->front() == '/' || text->front() == '{' ||
        !PrintableAscii(*text)) {
      continue;
    }
    fitted[i].second = *text;
  }
  const std::size_t length = ServerOptionLength(fitted);
  if (length > kServerOptionBudget) {
    *error = "the job options take " + std::to_string(length) + " bytes; the print server can pass " +
             std::to_string(kServerOptionBudget) + " to its filters";
    return false;
  }
  options = std::move(fitted);
  return true;
}

}  // namespace pdehost
