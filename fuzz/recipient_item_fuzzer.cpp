// Fuzz target: recipient records as a phonebook file or the recipient window may hand them over,
// through the item encoder and the ticket escaping, then back through the filter's fax reader
// into the header.
//
// Input: the line settings and paper name, then records. Texts are separated by 0xFF (a byte that
// no UTF-8 text holds, so any other byte can appear in them):
//   flags byte (bit 4: ISDN/G4 kit) outside FF extension FF paper FF
//   per record: two bytes (record type, address type, line, mode; send type, relay print), then
//   name FF address FF mailbox FF passcode FF relay ID FF destinations FF F-code FF password FF
//   (destinations separated by ",").
//
// Checked on every run: an item is either refused (empty) or at most 2047 bytes, made of an
// address part without braces and brace fields of the known types in their order, ending in
// "{}comment"; the password fields open to exactly the passwords given (so a password travels
// only in its protected form); the name field is at most 36 Shift-JIS bytes. The list writer refuses exactly when an item is refused. The
// filter's reader gives back every escaped item as the same text and writes one well-formed
// recipient line for each, in order, then the closing line.
#include <stdlib.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "EncryptLib.h"
#include "FaxSettingModule.h"
#include "FilterJob.h"
#include "FuzzSupport.h"
#include "TicketReader.h"
#include "nx/platform/text_encoding.h"
#include "nx/ticket/keys.h"
#include "nx/ticket/recipient_ticket.h"

namespace {

namespace ft = nx::ticket;
namespace enc = nx::encrypt;

constexpr char kSeparator = '\xFF';
constexpr std::size_t kMaxRecords = 8;

std::vector<std::string> Split(std::string_view text, char separator) {
  std::vector<std::string> parts;
  if (text.empty()) return parts;
  for (std::size_t from = 0;;) {
    const std::size_t at = text.find(separator, from);
    parts.emplace_back(text.substr(from, at - from));
    if (at == std::string_view::npos) break;
    from = at + 1;
  }
  return parts;
}

ft::RecipientFields ReadRecord(nx::fuzz::InputReader& in) {
  ft::RecipientFields r;
  const std::uint8_t a = in.Byte();
  const std::uint8_t b = in.Byte();
  r.recodeType = a & 3;
  r.addressType = (a & 4) ? 4 : ((a & 8) ? 2 : 0);
  r.lineType = (a >> 4) & 1;
  r.commMode = (a >> 5) & 3;
  r.secureOrRelay = b & 3;
  r.rlyPrn = (b >> 2) & 1;
  r.name = in.Until(kSeparator);
  r.address = in.Until(kSeparator);
  r.mailBoxId = in.Until(kSeparator);
  r.mailBoxPassword = in.Until(kSeparator);
  r.rlyId = in.Until(kSeparator);
  r.rlyDestList = Split(in.Until(kSeparator), ',');
  r.fCode = in.Until(kSeparator);
  r.fCodePassword = in.Until(kSeparator);
  return r;
}

std::string Pad4(const std::string& text) {
  return text.size() < 4 ? std::string(4 - text.size(), '0') + text : text;
}

// Base64 text of an item field opened; false when it is not base64 of 1..255 bytes.
bool OpenBase64(std::string_view text, std::string* bytes) {
  unsigned char buf[256];
  int n = 0;
  if (text.empty() || text.size() % 4 != 0 || text.size() > 340) return false;
  for (char c : text) {
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '+' && c != '/' && c != '=') return false;
  }
  if (enc::XSPB64ToBin(text.data(), static_cast<int>(text.size()), buf, &n, sizeof buf) != 0) return false;
  bytes->assign(reinterpret_cast<char*>(buf), static_cast<std::size_t>(n));
  return true;
}

std::string OpenSecret(std::string_view text) {
  std::string bytes;
  FUZZ_CHECK(OpenBase64(text, &bytes));
  int n = 0;
  FUZZ_CHECK(enc::XSPEncrypt(bytes.data(), static_cast<int>(bytes.size()), bytes.data(), &n,
                             static_cast<int>(bytes.size())) == 0);
  return bytes;
}

// The structure of a built item: address part, brace fields, "{}comment".
void CheckItem(const ft::RecipientFields& r, const std::string& item) {
  FUZZ_CHECK(item.size() <= ft::kMaxTicketValueBytes);
  if (item.empty()) return;
  const std::string_view tail = "{}comment";
  FUZZ_CHECK(item.size() >= tail.size() && item.compare(item.size() - tail.size(), tail.size(), tail) == 0);
  if (r.recodeType == 1) {
    FUZZ_CHECK(item == "FAEN='" + r.address + "'{}comment");
    return;
  }
  std::string_view rest(item.data(), item.size() - tail.size());
  const std::size_t firstBrace = rest.find('{');
  FUZZ_CHECK(firstBrace != std::string_view::npos);
  const std::string_view address = rest.substr(0, firstBrace);
  FUZZ_CHECK(address.find('}') == std::string_view::npos);
  rest.remove_prefix(firstBrace);
  bool sawMailBox = false;
  bool sawPassword = false;
  std::string lastFields;
  while (!rest.empty()) {
    FUZZ_CHECK(rest.size() >= 3 && rest[0] == '{');
    const std::size_t close = rest.find('}');
    FUZZ_CHECK(close != std::string_view::npos && close >= 2);
    const std::string_view body = rest.substr(1, close - 1);
    FUZZ_CHECK(body.find('{') == std::string_view::npos);
    const char type = body[0];
    // Field order is fixed: address, R, L, C, M, F, P, N.
    FUZZ_CHECK(lastFields.empty() || lastFields.back() < type);
    lastFields += type;
    const std::string_view value = body.substr(1);
    switch (type) {
      case '4': {
        sawMailBox = true;
        const std::string id = Pad4(r.mailBoxId);
        FUZZ_CHECK(value.substr(0, id.size()) == id);
        const std::string_view secret = value.substr(id.size());
        FUZZ_CHECK(secret.empty() == r.mailBoxPassword.empty());
        if (!secret.empty()) FUZZ_CHECK(OpenSecret(secret) == r.mailBoxPassword);
        break;
      }
      case '6':
        sawPassword = true;
        FUZZ_CHECK(OpenSecret(value) == r.fCodePassword);
        break;
      case '7': {
        std::string sjis;
        std::string utf8;
        FUZZ_CHECK(OpenBase64(value, &sjis));
        FUZZ_CHECK(!sjis.empty() && sjis.size() <= 36);
        FUZZ_CHECK(nx::platform::ShiftJisToUtf8(sjis, utf8));
        break;
      }
      case '1':
      case '2':
      case '3':
      case '5':
        break;
      default:
        FUZZ_CHECK(false);
    }
    rest.remove_prefix(close + 1);
  }
  FUZZ_CHECK(sawMailBox == (r.secureOrRelay == 1));
  FUZZ_CHECK(sawPassword == !r.fCodePassword.empty());
}

void CheckHeaderLine(std::string_view line, const std::string& item) {
  FUZZ_CHECK(line == "@PJL SET JOBATTR=\"@" + item + "\"");
  for (const char ch : line) {
    const auto c = static_cast<unsigned char>(ch);
    FUZZ_CHECK(c >= 0x20 && c != 0x7F);
  }
  FUZZ_CHECK(std::count(line.begin(), line.end(), '"') == 2);
}

// Runs the filter's fax reader and fax lines over the list and compares with `items`.
void ReadBack(const std::vector<ft::TicketPair>& pairs, const std::vector<std::string>& items) {
  std::string options;
  for (const ft::TicketPair& p : pairs) {
    options += p.key + "=\"";
    for (const char c : p.value) {
      if (c == '"' || c == '\\' || c == '\'') options += '\\';
      options += c;
    }
    options += "\" ";
  }
  options += std::string(ft::key::DFaxSendHeaderTicket) + "=0";
  auto job = std::make_unique<nx::filter::FilterJob>();
  job->options = nx::filter::TicketOptions(options.c_str());
  nx::fuzz::MemoryStream err;
  nx::fuzz::MemoryStream out;
  FUZZ_CHECK(nx::filter::DFaxSettingGetTicketFromPDE(*job, 0, err.get()) == 1);
  FUZZ_CHECK(job->faxSetting.recipientListCount == static_cast<std::int32_t>(items.size()));
  FUZZ_CHECK(job->faxRecipientItems.size() == items.size());
  for (std::size_t i = 0; i < items.size(); ++i) {
    FUZZ_CHECK(std::string(job->faxRecipientItems[i].data()) == items[i]);
  }
  nx::filter::InjectTPIFCommandFaxSetting(*job, out.get());
  const std::string lines = out.Contents();
  const std::string_view tableEnd = "@TXHE=OFF\"\r\n";
  const std::size_t at = lines.find(tableEnd);
  FUZZ_CHECK(at != std::string::npos);
  std::string_view rest = std::string_view(lines).substr(at + tableEnd.size());
  for (const std::string& item : items) {
    const std::size_t end = rest.find("\r\n");
    FUZZ_CHECK(end != std::string_view::npos);
    CheckHeaderLine(rest.substr(0, end), item);
    rest.remove_prefix(end + 2);
  }
  FUZZ_CHECK(rest == "@PJL SET JOBATTR=\"@IEXT=STANDARD\"\r\n");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // The queue is not a generation-2 device: items with "{1" or an apostrophe must pass.
  unsetenv("PPD");
  setenv("TMPDIR", nx::fuzz::PrivateDir().c_str(), 1);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  nx::fuzz::InputReader in(data, size);
  ft::LineSettings line;
  line.isdnG4Kit = (in.Byte() & 0x10) != 0;
  line.outsideLineNumber = in.Until(kSeparator);
  line.extensionLineNumber = in.Until(kSeparator);
  const std::string paper(in.Until(kSeparator));

  std::vector<ft::RecipientFields> records;
  while (!in.Rest().empty() && records.size() < kMaxRecords) records.push_back(ReadRecord(in));

  std::vector<std::string> items;
  std::vector<ft::TicketPair> pairs = {{ft::key::DFRecipientListCountTicket, ""}, {ft::key::DFRecipientPaperSizeTicket, ""}};
  bool allBuilt = true;
  for (const ft::RecipientFields& r : records) {
    std::string item = "stale";
    const bool built = ft::BuildRecipientItem(r, line, &item);
    if (!built) {
      FUZZ_CHECK(item.empty());
      allBuilt = false;
      continue;
    }
    CheckItem(r, item);
    // The escaped form opens to the item again.
    std::string escaped = ft::EscapeTicketValue(item);
    if (escaped != item) {
      FUZZ_CHECK(escaped[0] == '/');
      escaped.push_back('\0');
      FUZZ_CHECK(nx::filter::numstrtochar(escaped.data()) == item.size());
      FUZZ_CHECK(std::memcmp(escaped.data(), item.data(), item.size()) == 0);
    }
    pairs.push_back({std::string(ft::key::DFRecipientListItemKeyTicket) + std::to_string(items.size()),
                     ft::EscapeTicketValue(item)});
    items.push_back(std::move(item));
  }

  std::vector<ft::TicketPair> written;
  const bool listBuilt = ft::BuildRecipientListTicket(records, line, paper, &written);
  FUZZ_CHECK(listBuilt == allBuilt);
  if (!listBuilt || records.empty()) FUZZ_CHECK(written.empty());
  if (listBuilt && !records.empty()) {
    FUZZ_CHECK(written.size() == pairs.size());
    for (std::size_t i = 2; i < written.size(); ++i) {
      FUZZ_CHECK(written[i].key == pairs[i].key && written[i].value == pairs[i].value);
    }
    FUZZ_CHECK(written[0].value == std::to_string(records.size()));
  }

  if (items.empty()) return 0;
  pairs[0].value = std::to_string(items.size());
  pairs[1].value = "A4";
  ReadBack(pairs, items);
  return 0;
}
