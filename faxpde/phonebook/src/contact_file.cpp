// vCard and LDIF contacts; see contact_file.h.
#include "nx/phonebook/contact_file.h"

#include <algorithm>
#include <cstdint>
#include <memory>

#include "byte_source.h"
#include "nx/platform/text_encoding.h"
#include "text_util.h"

namespace nx::phonebook {
namespace {

using detail::ByteSource;

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [](char x, char y) { return Lower(x) == Lower(y); });
}

bool StartsNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualNoCase(text.substr(0, prefix.size()), prefix);
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// Logical lines: physical lines (ended by LF, CR LF or a lone CR) joined where the next one
// starts with a folding blank. Keeps at most kContactLineMaxBytes of a line and counts the
// bytes of the whole file against kContactFileMaxBytes.
class LineReader {
 public:
  LineReader(ByteSource& src, bool tabFolds) : src_(src), tabFolds_(tabFolds) {}

  // False at the end of the data. `overlong`: bytes of the line were dropped.
  bool Next(std::string& out, bool& overlong) {
    out.clear();
    overlong = false;
    if (tooLarge_) return false;
    int c = Get();
    if (c == ByteSource::kEnd) return false;
    line_ = next_;
    for (;;) {
      if (c == ByteSource::kEnd) return true;
      if (c == '\n' || c == '\r') {
        if (c == '\r') {
          const int d = Get();
          if (d != '\n' && d != ByteSource::kEnd) Unget();
        }
        ++next_;
        const int d = Get();
        if (d == ByteSource::kEnd) return true;
        if (d == ' ' || (tabFolds_ && d == '\t')) {
          c = Get();
          continue;
        }
        Unget();
        return true;
      }
      if (out.size() < kContactLineMaxBytes) {
        out.push_back(static_cast<char>(c));
      } else {
        overlong = true;
      }
      c = Get();
    }
  }
  std::size_t line() const { return line_; }
  std::size_t nextLine() const { return next_; }
  bool tooLarge() const { return tooLarge_; }
  bool failed() const { return src_.failed(); }

 private:
  int Get() {
    if (++read_ > kContactFileMaxBytes) {
      tooLarge_ = true;
      return ByteSource::kEnd;
    }
    const int c = src_.Get();
    if (c == ByteSource::kEnd) --read_;
    return c;
  }
  void Unget() {
    src_.Unget();
    --read_;
  }

  ByteSource& src_;
  bool tabFolds_;
  std::size_t read_ = 0;
  std::size_t line_ = 0;
  std::size_t next_ = 1;
  bool tooLarge_ = false;
};

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = Lower(c);
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::string DecodeQuotedPrintable(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '=' && i + 2 < text.size()) {
      const int hi = HexValue(text[i + 1]);
      const int lo = HexValue(text[i + 2]);
      if (hi >= 0 && lo >= 0) {
        out.push_back(static_cast<char>(hi * 16 + lo));
        i += 2;
        continue;
      }
    }
    out.push_back(text[i]);
  }
  return out;
}

// Standard base64; blanks are ignored. Nothing for other characters.
bool DecodeBase64(std::string_view text, std::string& out) {
  out.clear();
  std::uint32_t bits = 0;
  int count = 0;
  for (char ch : text) {
    int v;
    if (ch >= 'A' && ch <= 'Z')
      v = ch - 'A';
    else if (ch >= 'a' && ch <= 'z')
      v = ch - 'a' + 26;
    else if (ch >= '0' && ch <= '9')
      v = ch - '0' + 52;
    else if (ch == '+')
      v = 62;
    else if (ch == '/')
      v = 63;
    else if (ch == '=' || ch == ' ' || ch == '\t')
      continue;
    else
      return false;
    bits = (bits << 6) | static_cast<std::uint32_t>(v);
    if (++count == 4) {
      out.push_back(static_cast<char>((bits >> 16) & 0xFF));
      out.push_back(static_cast<char>((bits >> 8) & 0xFF));
      out.push_back(static_cast<char>(bits & 0xFF));
      bits = 0;
      count = 0;
    }
  }
  if (count == 3) {
    out.push_back(static_cast<char>((bits >> 10) & 0xFF));
    out.push_back(static_cast<char>((bits >> 2) & 0xFF));
  } else if (count == 2) {
    out.push_back(static_cast<char>((bits >> 4) & 0xFF));
  } else if (count == 1) {
    return false;
  }
  return true;
}

// A dialled number as the file gives it: a "tel:" URI loses its scheme and parameters, a
// "sip:" address stays as it is.
std::string OpenNumber(std::string_view value) {
  value = Trim(value);
  if (StartsNoCase(value, "tel:")) {
    value.remove_prefix(4);
    value = value.substr(0, value.find(';'));
  }
  return std::string(Trim(value));
}

void AddFax(Contact& contact, std::string number) {
  if (number.empty() || contact.faxNumbers.size() >= kContactFaxNumbersMax) return;
  if (std::find(contact.faxNumbers.begin(), contact.faxNumbers.end(), number) !=
      contact.faxNumbers.end()) {
    return;
  }
  contact.faxNumbers.push_back(std::move(number));
}

class Collector {
 public:
  explicit Collector(ContactReadResult& result) : result_(result) {}
  void Add(Contact contact) {
    if (result_.contacts.size() >= kContactsMax) {
      ++result_.notKept;
      return;
    }
    result_.contacts.push_back(std::move(contact));
  }
  std::size_t seen() const { return result_.contacts.size() + result_.notKept; }

 private:
  ContactReadResult& result_;
};

// ---- vCard --------------------------------------------------------------------------------------

struct Property {
  std::string_view name;                                              // without its group
  std::vector<std::pair<std::string_view, std::string_view>> params;  // a bare 2.1 type has no name
  std::string_view value;
};

// Splits "group.NAME;param=a,b;TYPE="x";FAX:value" at the first colon outside quotes. False for
// a line without one.
bool SplitProperty(std::string_view line, Property& p) {
  bool quoted = false;
  std::size_t colon = std::string_view::npos;
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '"') quoted = !quoted;
    if (line[i] == ':' && !quoted) {
      colon = i;
      break;
    }
  }
  if (colon == std::string_view::npos) return false;
  std::string_view head = line.substr(0, colon);
  p.value = line.substr(colon + 1);
  p.params.clear();
  std::size_t start = 0;
  bool first = true;
  quoted = false;
  for (std::size_t i = 0; i <= head.size(); ++i) {
    if (i < head.size() && head[i] == '"') quoted = !quoted;
    if (i < head.size() && (head[i] != ';' || quoted)) continue;
    std::string_view part = head.substr(start, i - start);
    start = i + 1;
    if (first) {
      const auto dot = part.rfind('.');
      p.name = dot == std::string_view::npos ? part : part.substr(dot + 1);
      first = false;
      continue;
    }
    const auto eq = part.find('=');
    if (eq == std::string_view::npos) {
      p.params.emplace_back(std::string_view(), Trim(part));
    } else {
      p.params.emplace_back(Trim(part.substr(0, eq)), Trim(part.substr(eq + 1)));
    }
  }
  return true;
}

// The property's parameter `name` (the bare 2.1 types count as TYPE), or empty.
std::string_view Param(const Property& p, std::string_view name) {
  for (const auto& [key, value] : p.params) {
    if (EqualNoCase(key, name)) return value;
  }
  return {};
}

// True when one of the property's types (TYPE=a,b; TYPE="a,b"; a bare 2.1 type) is `type`.
bool HasType(const Property& p, std::string_view type) {
  for (const auto& [key, value] : p.params) {
    if (!key.empty() && !EqualNoCase(key, "TYPE")) continue;
    std::string_view list = value;
    if (list.size() >= 2 && list.front() == '"' && list.back() == '"')
      list = list.substr(1, list.size() - 2);
    while (!list.empty()) {
      const auto comma = list.find(',');
      if (EqualNoCase(Trim(list.substr(0, comma)), type)) return true;
      if (comma == std::string_view::npos) break;
      list.remove_prefix(comma + 1);
    }
  }
  return false;
}

// The components of a structured value, unescaped ("\," "\;" "\\" "\n").
std::vector<std::string> Components(std::string_view value, char separator) {
  std::vector<std::string> out(1);
  for (std::size_t i = 0; i < value.size(); ++i) {
    const char c = value[i];
    if (c == '\\' && i + 1 < value.size()) {
      const char n = value[++i];
      out.back().push_back(n == 'n' || n == 'N' ? '\n' : n);
    } else if (c == separator) {
      out.emplace_back();
    } else {
      out.back().push_back(c);
    }
  }
  return out;
}

std::string TextValue(std::string_view value) { return Components(value, '\0').front(); }

std::string JoinNames(const std::string& a, const std::string& b) {
  if (a.empty()) return b;
  if (b.empty()) return a;
  return a + " " + b;
}

// Properties whose value the phonebook uses: their lines must be read whole.
bool UsedProperty(std::string_view name) {
  for (std::string_view used : {"FN", "N", "ORG", "TEL", "EMAIL", "NOTE", "SORT-STRING",
                                "X-PHONETIC-FIRST-NAME", "X-PHONETIC-LAST-NAME", "BEGIN", "END"}) {
    if (EqualNoCase(name, used)) return true;
  }
  return false;
}

struct CardState {
  Contact contact;
  std::string givenName, familyName;
  std::string phoneticFirst, phoneticLast, sortString;
};

void FinishCard(CardState& s, Collector& out) {
  Contact& c = s.contact;
  if (c.name.empty()) c.name = JoinNames(s.givenName, s.familyName);
  if (!s.phoneticLast.empty() || !s.phoneticFirst.empty()) {
    c.furigana = JoinNames(s.phoneticLast, s.phoneticFirst);
  } else {
    c.furigana = s.sortString;
  }
  out.Add(std::move(c));
}

void TakeProperty(const Property& p, std::string value, CardState& s) {
  Contact& c = s.contact;
  if (EqualNoCase(p.name, "FN")) {
    if (c.name.empty()) c.name = TextValue(value);
  } else if (EqualNoCase(p.name, "N")) {
    const auto parts = Components(value, ';');
    s.familyName = parts[0];
    s.givenName = parts.size() > 1 ? parts[1] : std::string();
  } else if (EqualNoCase(p.name, "ORG")) {
    if (c.company.empty()) c.company = Components(value, ';')[0];
  } else if (EqualNoCase(p.name, "TEL")) {
    const bool uri = EqualNoCase(Param(p, "VALUE"), "uri") || StartsNoCase(Trim(value), "tel:");
    std::string number = uri ? OpenNumber(TextValue(value)) : std::string(Trim(TextValue(value)));
    if (HasType(p, "fax")) {
      AddFax(c, std::move(number));
    } else if (c.tel.empty()) {
      c.tel = std::move(number);
    }
  } else if (EqualNoCase(p.name, "EMAIL")) {
    if (c.email.empty()) c.email = std::string(Trim(TextValue(value)));
  } else if (EqualNoCase(p.name, "NOTE")) {
    if (c.memo.empty()) c.memo = TextValue(value);
  } else if (EqualNoCase(p.name, "X-PHONETIC-FIRST-NAME")) {
    s.phoneticFirst = TextValue(value);
  } else if (EqualNoCase(p.name, "X-PHONETIC-LAST-NAME")) {
    s.phoneticLast = TextValue(value);
  } else if (EqualNoCase(p.name, "SORT-STRING")) {
    s.sortString = TextValue(value);
  }
}

// The value as text: quoted-printable and base64 opened, a 2.1 charset other than UTF-8
// converted where it is Shift_JIS.
std::string PropertyValue(const Property& p) {
  std::string value(p.value);
  const std::string_view encoding = Param(p, "ENCODING");
  if (EqualNoCase(encoding, "QUOTED-PRINTABLE")) {
    value = DecodeQuotedPrintable(value);
  } else if (EqualNoCase(encoding, "b") || EqualNoCase(encoding, "BASE64")) {
    std::string bytes;
    value = DecodeBase64(value, bytes) ? bytes : std::string();
  }
  const std::string_view charset = Param(p, "CHARSET");
  if (EqualNoCase(charset, "SHIFT_JIS") || EqualNoCase(charset, "SJIS") ||
      EqualNoCase(charset, "CP932") || EqualNoCase(charset, "WINDOWS-31J")) {
    std::string utf8;
    value = nx::platform::ShiftJisToUtf8(value, utf8) ? utf8 : std::string();
  }
  return value;
}

void ReadVCards(ByteSource& src, ContactReadResult& result) {
  LineReader lines(src, true);
  Collector out(result);
  std::string line;
  std::string joined;
  bool overlong = false;
  int depth = 0;  // vCards inside a card (2.1 AGENT) are not contacts of their own
  std::size_t openedAt = 0;
  CardState state;
  Property p;
  while (lines.Next(line, overlong)) {
    if (!SplitProperty(line, p)) continue;
    if (overlong && UsedProperty(p.name)) {
      result.status = ContactReadStatus::kLineTooLong;
      result.line = lines.line();
      return;
    }
    if (overlong) continue;
    // Quoted-printable of 2.1 continues a line ending in "=" on the next one.
    if (EqualNoCase(Param(p, "ENCODING"), "QUOTED-PRINTABLE") && !line.empty() &&
        line.back() == '=') {
      joined = line;
      std::string more;
      bool whole = true;
      while (!joined.empty() && joined.back() == '=') {
        if (!lines.Next(more, overlong)) break;
        if (overlong || joined.size() + more.size() > kContactLineMaxBytes) {
          whole = false;
          break;
        }
        joined.pop_back();
        joined += more;
      }
      if (!whole) {
        result.status = ContactReadStatus::kLineTooLong;
        result.line = lines.line();
        return;
      }
      line.swap(joined);
      SplitProperty(line, p);
    }
    const std::string_view value = Trim(p.value);
    if (EqualNoCase(p.name, "BEGIN") && EqualNoCase(value, "VCARD")) {
      if (depth++ == 0) {
        state = CardState{};
        state.contact.line = lines.line();
        openedAt = lines.line();
      }
      continue;
    }
    if (EqualNoCase(p.name, "END") && EqualNoCase(value, "VCARD")) {
      if (depth == 0) continue;
      if (--depth == 0) FinishCard(state, out);
      continue;
    }
    if (depth == 1) TakeProperty(p, PropertyValue(p), state);
  }
  if (lines.tooLarge()) {
    result.status = ContactReadStatus::kTooLarge;
  } else if (lines.failed()) {
    result.status = ContactReadStatus::kCannotOpen;
  } else if (depth != 0) {
    result.status = ContactReadStatus::kMalformed;
    result.line = openedAt;
  } else if (out.seen() == 0) {
    result.status = ContactReadStatus::kMalformed;
    result.line = 1;
  }
}

// ---- LDIF ---------------------------------------------------------------------------------------

bool UsedAttribute(std::string_view name) {
  for (std::string_view used :
       {"dn", "cn", "o", "facsimileTelephoneNumber", "telephoneNumber", "mail", "description"}) {
    if (EqualNoCase(name, used)) return true;
  }
  return false;
}

void ReadLdif(ByteSource& src, ContactReadResult& result) {
  LineReader lines(src, false);
  Collector out(result);
  std::string line;
  bool overlong = false;
  bool open = false;
  Contact contact;
  auto finish = [&] {
    if (open) out.Add(std::move(contact));
    contact = Contact{};
    open = false;
  };
  while (lines.Next(line, overlong)) {
    if (line.empty()) {
      finish();
      continue;
    }
    if (line[0] == '#') continue;
    const auto colon = line.find(':');
    if (colon == std::string::npos) continue;
    std::string_view name = std::string_view(line).substr(0, colon);
    name = name.substr(0, name.find(';'));  // options such as ";lang-ja"
    if (overlong) {
      if (!UsedAttribute(name)) continue;
      result.status = ContactReadStatus::kLineTooLong;
      result.line = lines.line();
      return;
    }
    std::string_view rest = std::string_view(line).substr(colon + 1);
    std::string value;
    if (!rest.empty() && rest[0] == ':') {
      if (!DecodeBase64(Trim(rest.substr(1)), value)) continue;
    } else if (!rest.empty() && rest[0] == '<') {
      continue;  // a value from a URL is not fetched
    } else {
      value = std::string(Trim(rest));
    }
    if (EqualNoCase(name, "dn")) {
      finish();
      open = true;
      contact.line = lines.line();
    } else if (!open) {
      continue;  // "version: 1" and anything else before the first record
    } else if (EqualNoCase(name, "cn")) {
      if (contact.name.empty()) contact.name = value;
    } else if (EqualNoCase(name, "o")) {
      if (contact.company.empty()) contact.company = value;
    } else if (EqualNoCase(name, "facsimileTelephoneNumber")) {
      AddFax(contact, OpenNumber(value));
    } else if (EqualNoCase(name, "telephoneNumber")) {
      if (contact.tel.empty()) contact.tel = value;
    } else if (EqualNoCase(name, "mail")) {
      if (contact.email.empty()) contact.email = value;
    } else if (EqualNoCase(name, "description")) {
      if (contact.memo.empty()) contact.memo = value;
    }
  }
  finish();
  if (lines.tooLarge()) {
    result.status = ContactReadStatus::kTooLarge;
  } else if (lines.failed()) {
    result.status = ContactReadStatus::kCannotOpen;
  } else if (out.seen() == 0) {
    result.status = ContactReadStatus::kMalformed;
    result.line = 1;
  }
}

ContactReadResult Read(ByteSource& src, ContactFormat format) {
  ContactReadResult result;
  if (format == ContactFormat::kVCard) {
    ReadVCards(src, result);
  } else {
    ReadLdif(src, result);
  }
  if (result.status != ContactReadStatus::kOk) result.contacts.clear();
  return result;
}

// ---- Writing ------------------------------------------------------------------------------------

std::string Escape(std::string_view text, bool structured) {
  std::string out;
  for (char c : text) {
    if (c == '\\' || c == ',' || (structured && c == ';')) {
      out.push_back('\\');
      out.push_back(c);
    } else if (c == '\n') {
      out += "\\n";
    } else if (c != '\r') {
      out.push_back(c);
    }
  }
  return out;
}

// Appends the line folded at 75 bytes, at character boundaries.
void AppendFolded(std::string& out, std::string_view line) {
  std::size_t width = 75;
  while (line.size() > width) {
    std::size_t cut = width;
    while (cut > 1 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) --cut;
    out.append(line.substr(0, cut));
    out += "\r\n ";
    line.remove_prefix(cut);
    width = 74;
  }
  out.append(line);
  out += "\r\n";
}

}  // namespace

ContactReadResult ReadContactFile(const std::string& path, ContactFormat format) {
  const auto src = detail::FileSource::Open(path.c_str());
  if (!src) {
    ContactReadResult result;
    result.status = ContactReadStatus::kCannotOpen;
    return result;
  }
  return Read(*src, format);
}

ContactReadResult ReadContactData(std::string_view bytes, ContactFormat format) {
  detail::MemorySource src(bytes.data(), bytes.size());
  return Read(src, format);
}

std::string WriteVCards(const std::vector<Contact>& contacts) {
  std::string out;
  for (const Contact& c : contacts) {
    out += "BEGIN:VCARD\r\nVERSION:4.0\r\n";
    AppendFolded(out, "FN:" + Escape(c.name, false));
    AppendFolded(out, "N:" + Escape(c.name, true) + ";;;;");
    if (!c.furigana.empty()) AppendFolded(out, "X-PHONETIC-LAST-NAME:" + Escape(c.furigana, false));
    if (!c.company.empty()) AppendFolded(out, "ORG:" + Escape(c.company, true));
    for (const auto& fax : c.faxNumbers) {
      if (StartsNoCase(fax, "sip:")) {
        AppendFolded(out, "TEL;VALUE=uri;TYPE=fax:" + Escape(fax, false));
      } else {
        AppendFolded(out, "TEL;VALUE=text;TYPE=fax:" + Escape(fax, false));
      }
    }
    if (!c.tel.empty()) AppendFolded(out, "TEL;VALUE=text;TYPE=voice:" + Escape(c.tel, false));
    if (!c.email.empty()) AppendFolded(out, "EMAIL:" + Escape(c.email, false));
    if (!c.memo.empty()) AppendFolded(out, "NOTE:" + Escape(c.memo, false));
    out += "END:VCARD\r\n";
  }
  return out;
}

}  // namespace nx::phonebook
