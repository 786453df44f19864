// Standard job options as ticket entries; see StandardJobOptions.h.
#include "StandardJobOptions.h"

#include <cups/cups.h>
#include <cups/ppd.h>
#include <openssl/crypto.h>
#include <strings.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "DeviceEncoding.h"
#include "EncryptLib.h"
#include "nx/cups/ppd_file.h"
#include "nx/ticket/byte_list.h"
#include "nx/ticket/keys.h"
#include "nx/ticket/protected_text.h"
#include "nx/ticket/recipient_ticket.h"
#include "nx/platform/text_encoding.h"

namespace nx::filter {
namespace {

namespace key = nx::ticket::key;

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && strncasecmp(text.data(), prefix.data(), prefix.size()) == 0;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsAllDigits(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text) {
    if (!IsDigit(c)) return false;
  }
  return true;
}

std::string Ordinal(std::size_t n) { return std::to_string(n); }


// ---- Fax numbers ------------------------------------------------------------------------------

bool IsVisualSeparator(char c) { return c == ' ' || c == '-' || c == '.' || c == '(' || c == ')'; }
bool IsFaxNumberChar(char c) { return IsDigit(c) || c == '*' || c == '#' || c == '+' || c == ','; }

// Sub-address (F-code): digits, "*" and "#".
bool CheckSubAddress(std::string_view text, std::string* out, std::string* reason) {
  out->clear();
  if (text.size() > kMaxStandardSubAddressLength) {
    *reason = "is longer than " + std::to_string(kMaxStandardSubAddressLength) + " characters";
    return false;
  }
  for (char c : text) {
    if (!IsDigit(c) && c != '*' && c != '#') {
      *reason = "may hold only digits, * and #";
      return false;
    }
  }
  out->assign(text);
  return true;
}

bool CheckPrefix(std::string_view text, std::string* out, std::string* reason) {
  out->clear();
  if (text.empty()) return true;
  return NormalizeFaxNumber(text, kMaxStandardPrefixLength, out, reason);
}

int HexValue(char c) {
  if (IsDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The number of a tel: URI (RFC 3966): percent escapes decoded, parameters after ";" ignored.
bool TelUriNumber(std::string_view uri, std::string* number, std::string* reason) {
  if (!StartsWithNoCase(uri, "tel:")) {
    *reason = "is not a tel: URI";
    return false;
  }
  std::string_view rest = uri.substr(4);
  rest = rest.substr(0, rest.find(';'));
  std::string decoded;
  for (std::size_t i = 0; i < rest.size(); ++i) {
    if (rest[i] == '%') {
      const int high = i + 2 < rest.size() ? HexValue(rest[i + 1]) : -1;
      const int low = i + 2 < rest.size() ? HexValue(rest[i + 2]) : -1;
      if (high < 0 || low < 0) {
        *reason = "holds a broken percent escape";
        return false;
      }
      decoded += static_cast<char>(high * 16 + low);
      i += 2;
    } else {
      decoded += rest[i];
    }
  }
  return NormalizeFaxNumber(decoded, kMaxStandardFaxNumberLength, number, reason);
}

// One entry of "destination-uris" before its number is checked.
struct DestinationEntry {
  std::string uri;
  // Members given in the entry itself (collection form).
  bool hasPreDial = false;
  std::string preDial;
  bool hasSubAddress = false;
  std::string subAddress;
};

// Splits the value of "destination-uris": collections "{...},{...}" or plain "tel:A,tel:B"
// (a comma that does not start a new tel: URI is a dial pause of the number before it).
bool SplitDestinationUris(std::string_view value, std::vector<DestinationEntry>* entries,
                          std::string* reason) {
  entries->clear();
  std::size_t i = 0;
  while (i < value.size() && value[i] == ' ') ++i;
  if (i < value.size() && value[i] == '{') {
    while (i < value.size()) {
      if (value[i] == ',' || value[i] == ' ') {
        ++i;
        continue;
      }
      if (value[i] != '{') {
        *reason = "is not a list of collections";
        return false;
      }
      int depth = 0;
      std::size_t end = i;
      for (; end < value.size(); ++end) {
        if (value[end] == '{') ++depth;
        if (value[end] == '}' && --depth == 0) break;
      }
      if (end >= value.size()) {
        *reason = "has an unbalanced brace";
        return false;
      }
      const std::string inner(value.substr(i + 1, end - i - 1));
      const TicketOptions members(inner.c_str());
      DestinationEntry entry;
      const char* uri = members.Find("destination-uri");
      entry.uri = uri ? uri : "";
      if (const char* p = members.Find("pre-dial-string")) {
        entry.hasPreDial = true;
        entry.preDial = p;
      }
      if (const char* s = members.Find("t33-subaddress")) {
        entry.hasSubAddress = true;
        entry.subAddress = s;
      }
      entries->push_back(std::move(entry));
      i = end + 1;
    }
  } else {
    std::size_t start = i;
    for (std::size_t pos = start; pos <= value.size(); ++pos) {
      const bool atEnd = pos == value.size();
      if (atEnd || (value[pos] == ',' && StartsWithNoCase(value.substr(pos + 1), "tel:"))) {
        DestinationEntry entry;
        entry.uri.assign(value.substr(start, pos - start));
        entries->push_back(std::move(entry));
        start = pos + 1;
      }
    }
  }
  return true;
}

// ---- PPD choices --------------------------------------------------------------------------

// The queue's PPD with its defaults and the job's options marked; null without one.
cups::PpdFilePtr OpenMarkedPpd(const std::string& path, const TicketOptions& options) {
  if (path.empty()) return nullptr;
  cups::PpdFilePtr ppd = cups::OpenPpdFile(path.c_str());
  if (!ppd) return nullptr;
  ppdMarkDefaults(ppd.get());
  cupsMarkOptions(ppd.get(), options.size(), options.data());
  return ppd;
}

// Item number (index + 1) of the marked choice of `keyword`, or 0.
int MarkedChoiceNumber(ppd_file_t* ppd, const char* keyword) {
  if (!ppd) return 0;
  ppd_option_t* option = ppdFindOption(ppd, keyword);
  if (!option) return 0;
  const ppd_choice_t* marked = ppdFindMarkedChoice(ppd, keyword);
  if (!marked) return 0;
  for (int i = 0; i < option->num_choices; ++i) {
    if (&option->choices[i] == marked) return i + 1;
  }
  return 0;
}

const char* MarkedChoiceName(ppd_file_t* ppd, const char* keyword) {
  if (!ppd) return nullptr;
  const ppd_choice_t* marked = ppdFindMarkedChoice(ppd, keyword);
  return marked ? marked->choice : nullptr;
}

bool QueueWantsDeviceKey(ppd_file_t* ppd) {
  if (!ppd) return false;
  const ppd_option_t* option = ppdFindOption(ppd, "NXEncryptionSetting");
  return option != nullptr && std::strcmp(option->defchoice, "New") == 0;
}

// ---- Entries ------------------------------------------------------------------------------

// An entry's value as it goes into the options: integers plain, anything else as a byte list
// (every byte as "/" and its value), which the text readers decode. A base64 PIN may start with
// "/" itself, so no text value goes as it is.
void AppendTicketValue(const std::string& value, std::string* out) {
  if (IsAllDigits(value)) {
    *out += value;
    return;
  }
  std::string list = nx::ticket::EncodeByteList(value, nx::ticket::ByteSpelling::kUnsigned);
  out->reserve(out->size() + list.size());  // no reallocation leaves copies behind
  *out += list;
  OPENSSL_cleanse(list.data(), list.size());
}

class EntryList {
 public:
  EntryList(const TicketOptions& options, std::vector<TicketEntry>* entries)
      : options_(options), entries_(entries) {}
  // Adds the entry unless the job options hold the key already.
  void Add(std::string key, std::string value) {
    if (options_.Find(key.c_str()) != nullptr) return;
    entries_->push_back({std::move(key), std::move(value)});
  }

 private:
  const TicketOptions& options_;
  std::vector<TicketEntry>* entries_;
};

// True when the job options hold any key of the panels whose setting name starts with `family`.
bool HasTicketFamily(const TicketOptions& options, std::string_view family) {
  const std::string prefix = nx::ticket::TicketKey(family);
  for (int i = 0; i < options.size(); ++i) {
    const char* name = options.name(i);
    if (name && StartsWithNoCase(name, prefix)) return true;
  }
  return false;
}

// An accounting ID: 1 to `bytes` bytes in the device encoding, nothing that could leave its
// quotes or its line.
bool CheckAccountingText(std::string_view text, std::size_t bytes) {
  if (text.empty() || !platform::IsValidUtf8(text)) return false;
  for (char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F || c == '"') return false;
  }
  std::array<char, 256> converted{};
  if (bytes + 1 > converted.size()) return false;
  return ConvertUTF8ToEncoding(text, converted.data(), bytes + 1) > 0;
}

bool AddRecipientEntries(const TicketOptions& options, ppd_file_t* ppd, EntryList& add,
                         std::string* refusal) {
  std::vector<StandardFaxNumber> numbers;
  if (!CollectStandardFaxNumbers(options, &numbers, refusal)) return false;
  if (numbers.empty()) return true;

  std::vector<std::string> items;
  for (std::size_t i = 0; i < numbers.size(); ++i) {
    ticket::RecipientFields fields;  // typed in, fax number, outside line, G3
    fields.recodeType = 0;
    fields.addressType = 0;
    fields.lineType = 0;
    fields.commMode = 0;
    fields.address = numbers[i].number;
    fields.fCode = numbers[i].subAddress;
    ticket::LineSettings line;
    line.outsideLineNumber = numbers[i].prefix;
    std::string item;
    if (!ticket::BuildRecipientItem(fields, line, &item) || item.empty()) {
      *refusal = "Fax number " + Ordinal(i + 1) + " cannot be sent to the device.";
      return false;
    }
    items.push_back(std::move(item));
  }
  add.Add(key::DFRecipientListCountTicket, std::to_string(items.size()));
  if (const char* paper = MarkedChoiceName(ppd, "PageSize")) {
    add.Add(key::DFRecipientPaperSizeTicket, ticket::RecipientPaperName(paper));
  }
  for (std::size_t i = 0; i < items.size(); ++i) {
    add.Add(key::DFRecipientListItemKeyTicket + std::to_string(i), std::move(items[i]));
  }

  // The fax settings a standard dialog offers: the PPD's marked choices. The popups' values
  // are the item number, as the panels write them.
  if (const int resolution = MarkedChoiceNumber(ppd, "NXFaxResolution")) {
    add.Add(key::DFFaxResolutionPopupListTicket, std::to_string(resolution));
  }
  if (const int report = MarkedChoiceNumber(ppd, "NXTransmissionReport")) {
    add.Add(key::DFTransmissionReportPopupListTicket, std::to_string(report));
  }
  if (const char* header = MarkedChoiceName(ppd, "NXSendHeader")) {
    add.Add(key::DFaxSendHeaderTicket, std::strcmp(header, "True") == 0 ? "1" : "0");
  }
  if (const int module = MarkedChoiceNumber(ppd, "NXFaxModule")) {
    add.Add(key::DeviceOptionFaxModuleTypePopupListTicket, std::to_string(module));
  }
  return true;
}

bool AddAccountingEntries(const TicketOptions& options, EntryList& add, std::string* refusal) {
  const char* account = options.Find("job-account-id");
  const char* user = options.Find("job-accounting-user-id");
  if (account && !*account) account = nullptr;
  if (user && !*user) user = nullptr;
  if (!account && !user) return true;
  if (HasTicketFamily(options, "JBA")) return true;  // the panels' accounting wins whole

  if (account && !CheckAccountingText(account, 32)) {
    *refusal = "The account ID (job-account-id) must be 1 to 32 characters the device can take.";
    return false;
  }
  if (user && !CheckAccountingText(user, 32)) {
    *refusal =
        "The accounting user ID (job-accounting-user-id) must be 1 to 32 characters the device can take.";
    return false;
  }
  // User mode with stored details, as the accounting panel writes them.
  add.Add(key::JBAManageTypeListTicketKey, "2");
  add.Add(key::JBAUserSettingRadioBtnTicket, "1");
  if (user) {
    add.Add(key::JBAUserIDListCtrlTicket, "2");
    add.Add(key::JBAUserIDTextEditTicket, user);
  } else {
    add.Add(key::JBAUserIDListCtrlTicket, "1");
  }
  if (account) add.Add(key::JBAAccountIDTextEditTicket, account);
  return true;
}

// The PIN in the form the print type panel leaves in the ticket for this queue: storage
// encryption when the filter re-encrypts it under the device key, else the panels' enciphered
// form. Empty on failure.
std::string ProtectPin(std::string_view pin, bool deviceKey) {
  std::string out;
  const bool ok = deviceKey ? nx::ticket::EncryptStoredText(pin, &out) == encrypt::kEncSuccess
                            : nx::ticket::EncipherTicketText(pin, &out);
  if (!ok) out.clear();
  return out;
}

bool AddSecurePrintEntries(const TicketOptions& options, std::string_view userName, ppd_file_t* ppd,
                           EntryList& add, std::string* refusal) {
  const char* pin = options.Find("job-password");
  if (!pin || !*pin) return true;
  if (options.Find(key::PrintTypeTicketKey)) return true;  // the panel's print type wins

  const char* encryption = options.Find("job-password-encryption");
  if (encryption && *encryption && std::strcmp(encryption, "none") != 0) {
    *refusal = "The secure print PIN arrived hashed (job-password-encryption); the device needs the PIN itself.";
    return false;
  }
  const std::string_view pinText(pin);
  if (pinText.size() > kMaxSecurePrintPinLength || !IsAllDigits(pinText)) {
    *refusal = "The secure print PIN (job-password) must be 1 to 12 digits.";
    return false;
  }
  const char* accountingUser = options.Find("job-accounting-user-id");
  const std::string userId = accountingUser && *accountingUser ? std::string(accountingUser) : std::string(userName);
  bool userOk = !userId.empty() && userId.size() <= 24;
  for (char c : userId) {
    if (c < 0x20 || c > 0x7E || c == '"') userOk = false;
  }
  if (!userOk) {
    *refusal = "Secure print needs a user ID of 1 to 24 printable ASCII characters "
               "(job-accounting-user-id, else the job's user).";
    return false;
  }
  std::string protectedPin = ProtectPin(pinText, QueueWantsDeviceKey(ppd));
  if (protectedPin.empty()) {
    *refusal = "The secure print PIN could not be protected.";
    return false;
  }
  add.Add(key::PrintTypeTicketKey, "2");
  add.Add(key::PrintTypeUserNameTicketKey, userId);
  add.Add(key::PrintTypePasswordTicketKey, std::move(protectedPin));
  return true;
}

}  // namespace

bool NormalizeFaxNumber(std::string_view text, std::size_t maxLength, std::string* number,
                        std::string* reason) {
  number->clear();
  for (char c : text) {
    if (IsVisualSeparator(c)) continue;
    if (!IsFaxNumberChar(c)) {
      number->clear();
      *reason = "holds a character a fax number cannot hold (only digits, *, #, + and the pause , are allowed)";
      return false;
    }
    if (number->size() >= maxLength) {
      number->clear();
      *reason = "is longer than " + std::to_string(maxLength) + " characters";
      return false;
    }
    *number += c;
  }
  if (number->empty()) {
    *reason = "is empty";
    return false;
  }
  return true;
}

bool CollectStandardFaxNumbers(const TicketOptions& options, std::vector<StandardFaxNumber>* numbers,
                               std::string* refusal) {
  numbers->clear();
  std::string reason;
  std::string faxPrefix, jobPreDial, jobSubAddress;
  if (const char* p = options.Find("faxPrefix"); p && !CheckPrefix(p, &faxPrefix, &reason)) {
    *refusal = "The fax prefix (faxPrefix) " + reason + ".";
    return false;
  }
  if (const char* p = options.Find("pre-dial-string"); p && !CheckPrefix(p, &jobPreDial, &reason)) {
    *refusal = "The pre-dial string (pre-dial-string) " + reason + ".";
    return false;
  }
  if (const char* s = options.Find("t33-subaddress"); s && !CheckSubAddress(s, &jobSubAddress, &reason)) {
    *refusal = "The sub-address (t33-subaddress) " + reason + ".";
    return false;
  }

  if (const char* uris = options.Find("destination-uris"); uris && *uris) {
    std::vector<DestinationEntry> entries;
    if (!SplitDestinationUris(uris, &entries, &reason)) {
      *refusal = "The fax destinations (destination-uris) " + reason + ".";
      return false;
    }
    for (const DestinationEntry& entry : entries) {
      const std::string which = "Fax destination " + Ordinal(numbers->size() + 1) + " (destination-uris) ";
      StandardFaxNumber n;
      if (!TelUriNumber(entry.uri, &n.number, &reason)) {
        *refusal = which + reason + ".";
        return false;
      }
      if (entry.hasPreDial) {
        if (!CheckPrefix(entry.preDial, &n.prefix, &reason)) {
          *refusal = which + "has a pre-dial string that " + reason + ".";
          return false;
        }
      } else {
        n.prefix = !jobPreDial.empty() ? jobPreDial : faxPrefix;
      }
      if (entry.hasSubAddress) {
        if (!CheckSubAddress(entry.subAddress, &n.subAddress, &reason)) {
          *refusal = which + "has a sub-address that " + reason + ".";
          return false;
        }
      } else {
        n.subAddress = jobSubAddress;
      }
      if (numbers->size() >= kMaxStandardFaxNumbers) {
        *refusal = "A fax job takes at most " + std::to_string(kMaxStandardFaxNumbers) + " fax numbers.";
        return false;
      }
      numbers->push_back(std::move(n));
    }
  }

  if (const char* phone = options.Find("phone"); phone && *phone) {
    StandardFaxNumber n;
    if (!NormalizeFaxNumber(phone, kMaxStandardFaxNumberLength, &n.number, &reason)) {
      *refusal = "The fax number (phone) " + reason + ".";
      return false;
    }
    n.prefix = faxPrefix;
    n.subAddress = jobSubAddress;
    if (numbers->size() >= kMaxStandardFaxNumbers) {
      *refusal = "A fax job takes at most " + std::to_string(kMaxStandardFaxNumbers) + " fax numbers.";
      return false;
    }
    numbers->push_back(std::move(n));
  }
  return true;
}

bool BuildStandardTicketEntries(const TicketOptions& options, ppd_file_t* ppd,
                                std::string_view userName, std::vector<TicketEntry>* entries,
                                std::string* refusal) {
  entries->clear();
  refusal->clear();
  try {
    EntryList add(options, entries);
    bool ok = true;
    if (!options.Find(key::DFRecipientListCountTicket)) {
      ok = AddRecipientEntries(options, ppd, add, refusal);
    }
    ok = ok && AddAccountingEntries(options, add, refusal);
    ok = ok && AddSecurePrintEntries(options, userName, ppd, add, refusal);
    if (!ok) entries->clear();
    return ok;
  } catch (const std::bad_alloc&) {
    entries->clear();
    *refusal = "Out of memory while reading the job options.";
    return false;
  }
}

bool BuildStandardTicketEntries(std::string_view optionString, const StandardJobContext& context,
                                std::vector<TicketEntry>* entries, std::string* refusal) {
  entries->clear();
  refusal->clear();
  try {
    const std::string text(optionString);
    const TicketOptions options(text.c_str());
    const cups::PpdFilePtr ppd = OpenMarkedPpd(context.ppdPath, options);
    return BuildStandardTicketEntries(options, ppd.get(), context.userName, entries, refusal);
  } catch (const std::bad_alloc&) {
    entries->clear();
    *refusal = "Out of memory while reading the job options.";
    return false;
  }
}

std::string AppendTicketEntries(std::string_view optionString, const std::vector<TicketEntry>& entries) {
  std::string out(optionString);
  for (const TicketEntry& entry : entries) {
    if (!out.empty()) out += ' ';
    out += entry.key;
    out += '=';
    AppendTicketValue(entry.value, &out);
  }
  return out;
}

bool AddTicketEntries(TicketOptions* options, const std::vector<TicketEntry>& entries) {
  bool ok = true;
  std::string value;
  for (const TicketEntry& entry : entries) {
    value.clear();
    AppendTicketValue(entry.value, &value);
    ok = options->Add(entry.key.c_str(), value.c_str()) && ok;
    OPENSSL_cleanse(value.data(), value.size());  // the PIN's protected form among them
  }
  return ok;
}

int ApplyStandardJobOptions(FilterJob& job, std::string* refusal) {
  std::vector<TicketEntry> entries;
  struct Cleanse {
    std::vector<TicketEntry>& entries;
    ~Cleanse() {
      for (TicketEntry& entry : entries) OPENSSL_cleanse(entry.value.data(), entry.value.size());
    }
  } cleanse{entries};
  try {
    if (!BuildStandardTicketEntries(job.options, job.ppd.get(), job.user, &entries, refusal)) return 0;
    if (!AddTicketEntries(&job.options, entries)) {
      *refusal = "Out of memory while reading the job options.";
      return 0;
    }
    return 1;
  } catch (const std::bad_alloc&) {
    *refusal = "Out of memory while reading the job options.";
    return 0;
  }
}

}  // namespace nx::filter
