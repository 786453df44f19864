// The recipient list as the print settings carry it. The fax plug-in writes one item text per
// recipient under numbered keys; the filter copies each item into the job header. The filter also
// builds items itself for fax numbers that arrive as standard job options, so that both paths give
// the same header for the same number.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace nx::ticket {

// The longest value a list key may hold, in bytes, before escaping.
inline constexpr std::size_t kMaxTicketValueBytes = 2047;

// One recipient as the item encoder needs it: the record fields of a phonebook entry or a typed
// recipient, numbers already read from their decimal texts.
struct RecipientFields {
  int recodeType = 0;     // 0 typed in, 1 speed dial, 2 phonebook entry
  std::string name;       // display name (UTF-8)
  std::string address;    // fax number, IP fax address or speed dial number
  int addressType = 0;    // 0 fax number, 4 IP fax (SIP) address
  int lineType = 0;       // 0 outside line, 1 extension
  int commMode = 0;       // 0 G3, 1 G4, 2 overseas
  int secureOrRelay = 0;  // 0 none, 1 secure send, 2 relay send
  std::string mailBoxId;
  std::string mailBoxPassword;  // clear text; only its protected form reaches the item
  std::string rlyId;
  int rlyPrn = 0;
  std::vector<std::string> rlyDestList;
  std::string fCode;
  std::string fCodePassword;    // clear text; only its protected form reaches the item
};

// The device options the item depends on.
struct LineSettings {
  std::string outsideLineNumber;    // dialled in front of an outside-line fax number
  std::string extensionLineNumber;  // dialled in front of an extension-line fax number
  bool isdnG4Kit = false;           // G4 mode is only sent when the kit is installed
};

// Whether a fax number, IP fax address or line prefix can be carried in an item as it is:
// printable ASCII except the double quote (it would end the header attribute, and the filter
// drops it) and braces (they delimit the item's fields). The entry fields refuse the rest.
bool IsRecipientAddressChar(char c);
bool IsRecipientAddressText(std::string_view text);

// The item text of one recipient ("FAEN=...{}comment"); empty (and true) for a record type or
// send type the device does not know. False, with the item empty, when the item cannot be sent
// as it is meant:
//  - a password cannot be protected (longer than 189 bytes): nothing goes out in clear;
//  - an address or line prefix fails IsRecipientAddressText, or another text copied verbatim
//    into the item (speed dial number, mailbox, relay and F-code IDs) holds a byte other than
//    printable ASCII, or a double quote, apostrophe or brace, which the header would drop or
//    which would change the item's fields (an apostrophe in a fax number is fine: the item is
//    then stored in its escaped form, and the filter copies it back byte for byte);
//  - the item would exceed kMaxTicketValueBytes: a cut item would name another recipient.
// Characters of the name without a Shift-JIS form are left out of the name field (the field is
// left out when nothing remains).
bool BuildRecipientItem(const RecipientFields& recipient, const LineSettings& line, std::string* item);

// The form the list's values are stored in: EncodeTicketText with the signed spelling
// (byte_list.h), so that "FAEN='12'" is stored as /70/65/69/78/61/39/49/50/39.
std::string EscapeTicketValue(std::string_view text);

// The device's name for a page size ("Tabloid" -> "LEDGER", ...); other names unchanged.
std::string RecipientPaperName(std::string_view pageSizeChoice);

// The settings pairs of a whole list, in the order they are written: the count, the paper size,
// then each item under its numbered key (keys.h); every value cut to kMaxTicketValueBytes (at a UTF-8
// character boundary; only a page size name can be that long) and escaped. An empty list gives
// no pairs (and true). False when an item could not be built (no pairs are returned then).
struct TicketPair {
  std::string key;
  std::string value;
};
bool BuildRecipientListTicket(const std::vector<RecipientFields>& recipients, const LineSettings& line,
                              std::string_view pageSizeChoice, std::vector<TicketPair>* pairs);

}  // namespace nx::ticket
