// Recipient items, ticket value escaping and the list's settings pairs; see recipient_ticket.h.
#include "nx/ticket/recipient_ticket.h"

#include <openssl/crypto.h>

#include <array>
#include <new>

#include "EncryptLib.h"
#include "nx/ticket/byte_list.h"
#include "nx/ticket/keys.h"
#include "nx/ticket/protected_text.h"
#include "nx/platform/text_encoding.h"

namespace nx::ticket {
namespace {

// The device keeps at most this many Shift-JIS bytes of a recipient's name.
constexpr std::size_t kNameLimitBytes = 36;
// XSPBinToB64 limit of the name field.
constexpr int kNameBase64Limit = 255;

// Text copied verbatim into an item (numbers, IDs, addresses, F-codes) must come back from the
// filter byte for byte and must not change the item's structure: printable ASCII only, without
// the double quote (ends the header attribute), the apostrophe (quotes a speed dial number) and
// braces (delimit the item's fields).
bool IsVerbatimSafe(std::string_view text) {
  for (const char ch : text) {
    if (!IsRecipientAddressChar(ch) || ch == '\'') return false;
  }
  return true;
}

// A fax number, IP fax address or line prefix: the apostrophe is one of the characters the entry
// fields take, and outside a speed dial item it quotes nothing; the escaped form carries it.
bool IsAddressSafe(std::string_view text) {
  for (const char ch : text) {
    if (!IsRecipientAddressChar(ch)) return false;
  }
  return true;
}

// `text` right-aligned in 4 characters padded with "0"; longer texts stay whole.
std::string ZeroPad4(std::string_view text) {
  std::string out;
  if (text.size() < 4) out.assign(4 - text.size(), '0');
  out.append(text);
  return out;
}

// The enciphered form of a password. False when it cannot be made (an empty password has none).
bool ProtectSecret(std::string_view clear, std::string* out) {
  return !clear.empty() && EncipherTicketText(clear, out);
}

// Length of the UTF-8 sequence starting at `i`, or 0 when the bytes there are not one whole,
// valid character.
std::size_t Utf8CharLength(std::string_view text, std::size_t i) {
  const auto c = static_cast<unsigned char>(text[i]);
  const std::size_t n = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
  if (n == 0 || i + n > text.size()) return 0;
  return nx::platform::IsValidUtf8(text.substr(i, n)) ? n : 0;
}

// The name field's bytes: the Shift-JIS form of the longest leading part of the name, in whole
// characters, that fits kNameLimitBytes. Characters without a Shift-JIS form (and bytes that are
// not UTF-8) are left out: the name only labels the recipient on the device, and a label without
// them is better than no fax.
std::string NameBytes(std::string_view name) {
  std::string kept;
  std::string sjis;
  std::string best;
  for (std::size_t i = 0; i < name.size();) {
    const std::size_t n = Utf8CharLength(name, i);
    if (n == 0) {
      ++i;
      continue;
    }
    const std::string_view ch = name.substr(i, n);
    i += n;
    if (!nx::platform::Utf8ToShiftJis(ch, sjis)) continue;
    // Whole prefixes are converted, so that a sequence the encoding joins into one code is
    // measured as the device will get it. Every kept character takes at least one byte, so at
    // most kNameLimitBytes + 1 prefixes are converted.
    kept.append(ch);
    if (!nx::platform::Utf8ToShiftJis(kept, sjis)) {
      kept.resize(kept.size() - n);
      continue;
    }
    if (sjis.size() > kNameLimitBytes) break;
    best = sjis;
  }
  return best;
}

// "{7" + base64 of the name's bytes + "}", or nothing when no byte of the name is left.
bool AppendNameField(std::string_view name, std::string* item) {
  const std::string bytes = NameBytes(name);
  if (bytes.empty()) return true;
  std::array<char, kNameBase64Limit> text{};
  int textLen = 0;
  if (nx::encrypt::XSPBinToB64(bytes.data(), static_cast<int>(bytes.size()), text.data(), &textLen,
                               kNameBase64Limit) != nx::encrypt::kXspSuccess) {
    return false;
  }
  item->append("{7").append(text.data(), static_cast<std::size_t>(textLen)).append("}");
  return true;
}

bool AppendAddressField(const RecipientFields& r, const LineSettings& line, std::string* item) {
  if (!IsAddressSafe(r.address)) return false;
  if (r.addressType == 4) {
    item->append("SFEN=").append(r.address);
  } else if (r.addressType == 0) {
    const std::string& prefix = r.lineType != 0 ? line.extensionLineNumber : line.outsideLineNumber;
    if (!IsAddressSafe(prefix)) return false;
    item->append("FAEN=").append(prefix).append(r.address);
  }
  return true;
}

bool AppendRelayField(const RecipientFields& r, std::string* item) {
  if (!IsVerbatimSafe(r.rlyId)) return false;
  item->append("{1").append(ZeroPad4(r.rlyId)).append(std::to_string(r.rlyPrn));
  for (const std::string& destination : r.rlyDestList) {
    if (!IsVerbatimSafe(destination)) return false;
    item->append(ZeroPad4(destination));
  }
  item->append("}");
  return true;
}

void AppendLineField(const RecipientFields& r, std::string* item) {
  item->append("{2").append(r.addressType == 4 ? "2" : std::to_string(r.lineType)).append("}");
}

void AppendCommModeField(const RecipientFields& r, const LineSettings& line, std::string* item) {
  const char* mode = "0";
  if (r.commMode == 1 && line.isdnG4Kit) {
    mode = "4";
  } else if (r.commMode == 2) {
    mode = "2";
  }
  item->append("{3").append(mode).append("}");
}

bool AppendMailBoxField(const RecipientFields& r, std::string* item) {
  if (!IsVerbatimSafe(r.mailBoxId)) return false;
  std::string passcode;
  if (!r.mailBoxPassword.empty() && !ProtectSecret(r.mailBoxPassword, &passcode)) return false;
  item->append("{4").append(ZeroPad4(r.mailBoxId)).append(passcode).append("}");
  return true;
}

bool AppendFCodeFields(const RecipientFields& r, std::string* item) {
  if (!r.fCode.empty()) {
    if (!IsVerbatimSafe(r.fCode)) return false;
    item->append("{5").append(r.fCode).append("}");
  }
  if (!r.fCodePassword.empty()) {
    std::string password;
    if (!ProtectSecret(r.fCodePassword, &password)) return false;
    item->append("{6").append(password).append("}");
  }
  return true;
}

bool BuildFieldItem(const RecipientFields& r, const LineSettings& line, std::string* item) {
  if (!AppendAddressField(r, line, item)) return false;
  if (r.secureOrRelay == 2 && !AppendRelayField(r, item)) return false;
  AppendLineField(r, item);
  AppendCommModeField(r, line, item);
  if (r.secureOrRelay == 1 && !AppendMailBoxField(r, item)) return false;
  if (!AppendFCodeFields(r, item)) return false;
  if (!r.name.empty() && !AppendNameField(r.name, item)) return false;
  item->append("{}comment");
  return true;
}

// Length of `text` cut to at most `limit` bytes without splitting a UTF-8 character.
std::size_t CutAtCharBoundary(std::string_view text, std::size_t limit) {
  if (text.size() <= limit) return text.size();
  std::size_t cut = limit;
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
  return cut;
}

std::string TicketValue(std::string_view text) {
  return EscapeTicketValue(text.substr(0, CutAtCharBoundary(text, kMaxTicketValueBytes)));
}

}  // namespace

bool IsRecipientAddressChar(char ch) {
  const auto c = static_cast<unsigned char>(ch);
  return c >= 0x20 && c <= 0x7E && c != '"' && c != '{' && c != '}';
}

bool IsRecipientAddressText(std::string_view text) { return IsAddressSafe(text); }

bool BuildRecipientItem(const RecipientFields& recipient, const LineSettings& line, std::string* item) {
  if (item == nullptr) return false;
  item->clear();
  std::string text;
  try {
    bool ok = true;
    if (recipient.recodeType == 1) {
      ok = IsVerbatimSafe(recipient.address);
      if (ok) text = "FAEN='" + recipient.address + "'{}comment";
    } else if ((recipient.recodeType == 0 || recipient.recodeType == 2) &&
               recipient.secureOrRelay >= 0 && recipient.secureOrRelay <= 2) {
      ok = BuildFieldItem(recipient, line, &text);
    }
    // A cut item would name another number or lose a field: it is refused instead.
    if (!ok || text.size() > kMaxTicketValueBytes) {
      OPENSSL_cleanse(text.data(), text.size());
      return false;
    }
  } catch (const std::bad_alloc&) {
    return false;
  }
  *item = std::move(text);
  return true;
}

std::string EscapeTicketValue(std::string_view text) { return EncodeTicketText(text, ByteSpelling::kSigned); }

std::string RecipientPaperName(std::string_view pageSizeChoice) {
  struct Mapping {
    std::string_view choice;
    std::string_view device;
  };
  static constexpr Mapping kNames[] = {
      {"Tabloid", "LEDGER"}, {"Legal", "LEGAL"}, {"Letter", "LETTER"}, {"B5", "JISB5"}, {"B4", "JISB4"},
  };
  for (const Mapping& m : kNames) {
    if (m.choice == pageSizeChoice) return std::string(m.device);
  }
  return std::string(pageSizeChoice);
}

bool BuildRecipientListTicket(const std::vector<RecipientFields>& recipients, const LineSettings& line,
                              std::string_view pageSizeChoice, std::vector<TicketPair>* pairs) {
  if (pairs == nullptr) return false;
  pairs->clear();
  if (recipients.empty()) return true;
  try {
    std::vector<TicketPair> out;
    out.reserve(recipients.size() + 2);
    out.push_back({key::DFRecipientListCountTicket, TicketValue(std::to_string(recipients.size()))});
    out.push_back({key::DFRecipientPaperSizeTicket, TicketValue(RecipientPaperName(pageSizeChoice))});
    std::string item;
    for (std::size_t i = 0; i < recipients.size(); ++i) {
      if (!BuildRecipientItem(recipients[i], line, &item)) return false;
      out.push_back({std::string(key::DFRecipientListItemKeyTicket) + std::to_string(i), TicketValue(item)});
    }
    *pairs = std::move(out);
  } catch (const std::bad_alloc&) {
    pairs->clear();
    return false;
  }
  return true;
}

}  // namespace nx::ticket
