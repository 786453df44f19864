// The ticket as job options; see JobTicket.h.
#include "pdehost/JobTicket.h"

#include <algorithm>
#include <charconv>

namespace pdehost {

std::string TicketKey(std::string_view name) {
  std::string key(kTicketPrefix);
  key += name;
  return key;
}

std::string ByteList(std::string_view text) {
  std::string out;
  for (const char c : text) {
    out += '/';
    out += std::to_string(static_cast<int>(static_cast<signed char>(c)));
  }
  return out;
}

std::string EscapeTicketText(std::string_view text) {
  const bool escape = (!text.empty() && text.front() == '/') ||
                      text.find_first_of("',\\") != std::string_view::npos;
  return escape ? ByteList(text) : std::string(text);
}

std::optional<std::string> DecodeByteList(std::string_view text) {
  if (text.size() < 2 || text.front() != '/') return std::nullopt;
  std::string out;
  std::size_t pos = 1;
  while (pos <= text.size()) {
    const std::size_t end = std::min(text.find('/', pos), text.size());
    const std::string_view field = text.substr(pos, end - pos);
    int value = 0;
    const auto [ptr, ec] = std::from_chars(field.data(), field.data() + field.size(), value);
    if (field.empty() || ec != std::errc() || ptr != field.data() + field.size() || value < -128 ||
        value > 255 || value == 0) {
      return std::nullopt;
    }
    out += static_cast<char>(value & 0xFF);
    pos = end + 1;
  }
  return out;
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
  return key.starts_with(kTicketPrefix) && key.substr(kTicketPrefix.size()).starts_with(kRecipientItemKey);
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
