// Settings utilities; see UtilityFunction.h.
#include "pdekit/UtilityFunction.h"

#include <regex.h>
#include <strings.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>

#include "EncryptLib.h"
#include "nx/platform/bundle.h"
#include "nx/platform/help.h"
#include "nx/platform/identity.h"
#include "nx/platform/property_list.h"
#include "nx/platform/services.h"
#include "nx/platform/system_version.h"
#include "nx/platform/text_encoding.h"
#include "PluginLog.h"

namespace pdekit {
namespace {

// Decodes one code point of strict UTF-8 at `i`; false on a malformed sequence.
bool DecodeUtf8(std::string_view s, size_t& i, uint32_t& cp) {
  const auto c = static_cast<unsigned char>(s[i]);
  size_t len;
  if (c < 0x80) {
    cp = c;
    ++i;
    return true;
  }
  if (c >= 0xC2 && c <= 0xDF) len = 2, cp = c & 0x1F;
  else if (c >= 0xE0 && c <= 0xEF) len = 3, cp = c & 0x0F;
  else if (c >= 0xF0 && c <= 0xF4) len = 4, cp = c & 0x07;
  else return false;
  if (s.size() - i < len) return false;
  for (size_t k = 1; k < len; ++k) {
    const auto b = static_cast<unsigned char>(s[i + k]);
    if ((b & 0xC0) != 0x80) return false;
    cp = (cp << 6) | (b & 0x3F);
  }
  if ((len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)) || (cp >= 0xD800 && cp <= 0xDFFF))
    return false;
  i += len;
  return true;
}

// Seconds east of UTC of the local zone at `t`, and whether daylight saving is in effect.
long ZoneOffsetAt(time_t t, bool* dst = nullptr) {
  tm local{};
  if (!localtime_r(&t, &local)) return 0;
  if (dst) *dst = local.tm_isdst > 0;
  return local.tm_gmtoff;
}

ppd_option_t* FindOption(ppd_file_t* ppd, const char* keyword) {
  return ppd && keyword ? ppdFindOption(ppd, keyword) : nullptr;
}

}  // namespace

// ---- Settings ticket and session ----

OSStatus SetValueToSettingsWithTicketKeyAndLock(const char* value, PrintSettings* settings, const char* key,
                                                bool locked) {
  if (!value || !settings || !key) return paramErr;
  std::string text(value);
  if (!nx::platform::IsValidUtf8(text)) return memFullErr;  // the string cannot be made
  // The device's character set has the broken bar, not its fullwidth form.
  static constexpr std::string_view kFullwidthBrokenBar = "\xEF\xBF\xA4";  // U+FFE4
  static constexpr std::string_view kBrokenBar = "\xC2\xA6";               // U+00A6
  for (size_t at = text.find(kFullwidthBrokenBar); at != std::string::npos;
       at = text.find(kFullwidthBrokenBar, at + kBrokenBar.size()))
    text.replace(at, kFullwidthBrokenBar.size(), kBrokenBar);
  return settings->SetValue(key, text, locked);
}

int SetPrinterString(const PrintSession* session, std::string* out) {
  if (!out || !session) return 1;
  std::string id;
  if (session->GetCurrentPrinterID(id) != noErr || id.empty()) return 1;
  out->append(id);
  return 0;
}

bool CreateKeyWithCurrentPrinter(const char* key, const char* printerID, std::string* out) {
  if (!key || !printerID || !out) return false;
  out->append(printerID);
  out->append(key);
  return true;
}

// ---- Preferences ----

int GetValueFromPreference(nx::platform::Preferences& preferences, const char* key, nx::platform::PrefUser user,
                           const char* printerID, std::string* out) {
  if (!key || !printerID || !out) return 0;
  std::string full;
  CreateKeyWithCurrentPrinter(key, printerID, &full);
  const nx::platform::PrefDomain domain{std::string(nx::platform::kAnyApplication), user,
                                        nx::platform::PrefHost::kCurrent};
  auto value = preferences.CopyString(full, domain);
  if (!value) return 0;
  *out = *value;
  return 1;
}

// ---- Stored-secret encoding ----

char* encode(char* buffer, int length, int capacity) {
  return nx::encrypt::XSPEncodeSecret(buffer, length, capacity);
}

// ---- PPD numbers and look-ups ----

ppd_attr_t* ppdFindAttr_ALT(ppd_file_t* ppd, const char* name) {
  if (!ppd || !name || !ppd->attrs) return nullptr;
  const size_t n = std::strlen(name);
  for (int i = 0; i < ppd->num_attrs; ++i) {
    ppd_attr_t* a = ppd->attrs[i];
    if (a && std::strncmp(a->name, name, n) == 0) return a;
  }
  return nullptr;
}

bool CheckPPDKeyIsExist(ppd_file_t* ppd, const char* keyword) { return FindOption(ppd, keyword) != nullptr; }

int getIntFromString(const char* text, int length) {
  if (!text) return 0;
  long long v = 0;
  for (int i = 0; i < length && text[i] != '\0'; ++i) {
    if (text[i] < '0' || text[i] > '9') continue;
    v = std::min<long long>(v * 10 + (text[i] - '0'), INT_MAX);
  }
  return static_cast<int>(v);
}

int GetPWMiniIntValueFromPPD(ppd_file_t* ppd, const char* keyword) {
  ppd_option_t* o = FindOption(ppd, keyword);
  if (!o) return -1;
  char text[256] = {};
  std::snprintf(text, sizeof text, "%s", o->defchoice);
  return getIntFromString(text, static_cast<int>(sizeof text - 1));
}

int GetMBMaxNumberFromPPD(ppd_file_t* ppd, const char* attribute) {
  ppd_attr_t* a = ppd && attribute ? ppdFindAttr(ppd, attribute, nullptr) : nullptr;
  if (!a || !a->value) return 0;
  char text[256] = {};
  std::snprintf(text, sizeof text, "%s", a->value);
  return getIntFromString(text, 3);
}

int GetValueFromPPD(ppd_file_t* ppd, const char* keyword, const char* const* names, int count) {
  ppd_option_t* o = FindOption(ppd, keyword);
  if (!o || !names) return -1;
  for (int i = 0; i < count; ++i)
    if (names[i] && std::strcmp(names[i], o->defchoice) == 0) return i;
  return -1;
}

int GetIndexOfMarkedOptionWithKey(ppd_option_t* option, ppd_file_t* ppd, const char* keyword) {
  if (!option) option = FindOption(ppd, keyword);
  if (!option) return -1;
  for (int i = 0; i < option->num_choices; ++i)
    if (option->choices[i].marked) return i;
  for (int i = 0; i < option->num_choices; ++i)
    if (std::strcmp(option->choices[i].choice, option->defchoice) == 0) return i;
  return -1;
}

std::optional<std::vector<PDEChoice>> ArrayFromPPDOption(ppd_option_t* option) {
  if (!option) return std::nullopt;
  std::vector<PDEChoice> out;
  out.reserve(static_cast<size_t>(std::max(option->num_choices, 0)));
  for (int i = 0; i < option->num_choices; ++i) out.push_back(PDEChoice::choiceWithChoice(&option->choices[i]));
  return out;
}

std::string FixPPDKeywordAccordingToType(ppd_file_t* ppd, const char* keyword) {
  if (!keyword) return {};
  std::string out(keyword);
  if (out.size() >= 2 && strncasecmp(keyword, "NX", 2) == 0) {
    ppd_attr_t* maker = ppd ? ppdFindAttr(ppd, "Manufacturer", nullptr) : nullptr;
    if (maker && maker->value && std::strcmp(maker->value, "NX") == 0) out.replace(0, 2, "NX");
  }
  return out;
}

// ---- Users ----

bool IsUserAdmin(const nx::platform::Identity& identity) {
  const auto login = identity.LoginName();
  return login && checkIfAdminUser(identity, login->c_str());
}

bool checkIfAdminUser(const nx::platform::Identity& identity, const char* name) {
  if (!name) return false;
  using nx::platform::GroupMembership;
  // A dialog asks at every control it sets up: the identity answers from its cache, and a test
  // that cannot answer is reported once.
  bool first = false;
  switch (identity.CachedAdminMembership(name, &first)) {
    case GroupMembership::kMember:
      return true;
    case GroupMembership::kNotMember:
      return false;
    case GroupMembership::kLookupFailed:
      if (first)
        PluginLog("##Plugin debug## administrator test: the user or group database cannot be read; "
                  "administrator settings are locked\n");
      return false;
    case GroupMembership::kGroupNotFound:
      if (first)
        PluginLog("##Plugin debug## administrator test: no group the print system's SystemGroup names exists; "
                  "only root may change administrator settings\n");
      return false;
    case GroupMembership::kUserNotFound:
      if (first)
        PluginLog("##Plugin debug## administrator test: user \"%s\" is not in the user database; "
                  "administrator settings are locked\n", name);
      return false;
  }
  return false;
}

// ---- Strings and numbers ----

int GetUTF8StringLength(const char* text) {
  if (!text || !*text) return 0;
  const std::string_view s(text);
  int width = 0;
  for (size_t i = 0; i < s.size();) {
    uint32_t cp;
    if (!DecodeUtf8(s, i, cp)) return 0;
    width += cp < 0x100 ? 1 : cp < 0x10000 ? 2 : 4;  // a surrogate pair is two units of 2
  }
  return width;
}

int GetStringLength(std::string_view text) {
  int width = 0;
  for (size_t i = 0; i < text.size();) {
    const size_t start = i;
    uint32_t cp;
    if (!DecodeUtf8(text, i, cp)) {
      ++i;  // a stray byte stands for a character without a Shift_JIS form
      width += 2;
      continue;
    }
    if (cp >= 0x10000) {
      width += 4;  // two UTF-16 units, neither encodable on its own
      continue;
    }
    if (cp < 0x80) {
      ++width;
      continue;
    }
    std::string sjis;
    const bool ok = nx::platform::Utf8ToShiftJis(text.substr(start, i - start), sjis);
    width += ok && sjis.size() == 1 ? 1 : 2;
  }
  return width;
}

char* itoa(int value, char* buffer, int size) {
  if (!buffer || size < 1) return nullptr;
  char* p = buffer + size - 1;
  *p = '\0';
  while (value > 0 && p > buffer) {
    *--p = static_cast<char>('0' + value % 10);
    value /= 10;
  }
  return p;
}

std::string ConvertLongDateToNSDate(const LongDateRec& time) {
  char text[32];
  std::snprintf(text, sizeof text, "2001-01-01 %02d:%02d:00 ", time.hour, time.minute);
  return text + GetActualTimeZoneString();
}

void ConvertNSDateToLongDate(std::string_view date, LongDateRec* time) {
  if (!time || date.size() < 16) return;
  auto two = [&](size_t at) {
    int v = 0;
    for (size_t i = at; i < at + 2 && date[i] >= '0' && date[i] <= '9'; ++i) v = v * 10 + (date[i] - '0');
    return static_cast<int16_t>(v);
  };
  time->hour = two(11);
  time->minute = two(14);
}

std::string TimeZoneStringForOffset(long secondsEast) {
  const double hours = secondsEast / 3600.0;
  const double h = std::trunc(hours);
  const int value = static_cast<int>((hours - h) * 60 + h * 100);
  // Sign and four digits. (Zones under an hour east or west keep their leading zeros.)
  char text[16];
  std::snprintf(text, sizeof text, "%c%04d", value < 0 ? '-' : '+', value < 0 ? -value : value);
  return text;
}

std::string GetActualTimeZoneString() {
  bool dst = false;
  long offset = ZoneOffsetAt(std::time(nullptr), &dst);
  if (dst) offset -= GetActualDSTSecondOffset();
  return TimeZoneStringForOffset(offset);
}

long GetActualDSTSecondOffset() {
  tm summer{}, winter{};
  summer.tm_year = winter.tm_year = 2005 - 1900;
  summer.tm_mon = 6;
  summer.tm_mday = winter.tm_mday = 1;
  summer.tm_hour = winter.tm_hour = 12;
  return std::labs(ZoneOffsetAt(timegm(&summer)) - ZoneOffsetAt(timegm(&winter)));
}

int regexp(const char* pattern, const char* text) {
  if (!pattern || !text) return -1;
  regex_t re;
  if (regcomp(&re, pattern, REG_EXTENDED | REG_NOSUB) != 0) return -1;
  const int rc = regexec(&re, text, 0, nullptr, 0);
  regfree(&re);
  if (rc == 0) return 0;
  return rc == REG_NOMATCH ? -3 : -2;
}

void addZeroForHead(const char* source, int length, char* destination, int width) {
  if (!destination || width < 1) return;
  std::memset(destination, '0', static_cast<size_t>(width));
  if (!source || length < 1) return;
  const int n = std::min(length, width);
  std::memcpy(destination + (width - n), source, static_cast<size_t>(n));
}

std::string NSStringCreateWithCFString(std::string_view text) {
  if (text.size() <= 255) return std::string(text);
  size_t n = 255;
  while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;  // keep whole characters
  return std::string(text.substr(0, n));
}

void ReleaseCFString(std::string*& reference) {
  delete reference;
  reference = nullptr;
}

bool IsFileExist(const char* path) {
  std::error_code ec;
  return path && std::filesystem::is_regular_file(path, ec);
}

bool DeleteFile(const char* path) {
  std::error_code ec;
  if (!path || std::filesystem::is_directory(std::filesystem::symlink_status(path, ec))) return false;
  return std::filesystem::remove(path, ec) && !ec;
}

// ---- Resource names and help ----

std::string GetAppResourceName(const char* value, int part) {
  if (!value) return {};
  std::string_view v(value);
  v = v.substr(0, 254);
  const size_t dash = v.find('-');
  if (part == 0) return std::string(dash == std::string_view::npos ? v : v.substr(0, dash));
  if (part == 1) return dash == std::string_view::npos ? std::string() : std::string(v.substr(dash + 1));
  return {};
}

std::string GetAppFullResourceName(std::string_view name, int part, std::string_view prefix0,
                                   std::string_view prefix1) {
  std::string out;
  if (part == 1) out = std::string(prefix1) + std::string(name);
  else if (part == 0) out = std::string(prefix0) + std::string(name);
  else out = std::string(name);
  // At most 255 UTF-16 units.
  size_t units = 0, i = 0;
  while (i < out.size()) {
    size_t j = i;
    uint32_t cp;
    if (!DecodeUtf8(out, j, cp)) j = i + 1, cp = 0xFFFD;
    const size_t u = cp >= 0x10000 ? 2 : 1;
    if (units + u > 255) break;
    units += u;
    i = j;
  }
  out.resize(i);
  return out;
}

int RegisterMyHelpBook(nx::platform::HelpService& help, const nx::platform::Bundle* ownBundle) {
  return RegisterHelpBook(help, ownBundle);
}

int RegisterHelpBook(nx::platform::HelpService& help, const nx::platform::Bundle* bundle) {
  if (!bundle) return fnfErr;
  return help.RegisterBook(*bundle);
}

void RemoveHelpCacheForBundleID(std::string_view identifier, const std::string& preferencesDir) {
  const std::string path = preferencesDir + "/com.apple.help.plist";
  auto root = nx::platform::ReadPropertyListFile(path);
  if (!root || !root->AsDictionary()) return;
  auto& dict = *root->AsDictionary();
  auto books = dict.find("RegisteredBooks");
  if (books == dict.end() || !books->second.AsDictionary()) return;
  auto& registered = *books->second.AsDictionary();
  auto entry = registered.find(std::string(identifier));
  if (entry == registered.end()) return;
  const auto* list = entry->second.AsArray();
  if (!list || list->empty() || !(*list)[0].AsDictionary()) return;
  const auto& first = *(*list)[0].AsDictionary();
  auto url = first.find("url");
  if (url == first.end() || !url->second.AsString() || url->second.AsString()->find(".lproj") == std::string::npos)
    return;
  registered.erase(entry);
  if (auto order = dict.find("RegistrationOrder"); order != dict.end() && order->second.AsArray()) {
    std::erase_if(*order->second.AsArray(), [&](const nx::platform::PropertyValue& v) {
      return v.AsString() && *v.AsString() == identifier;
    });
  }
  if (!nx::platform::WritePropertyListFile(path, *root)) std::fputs("Illegal Property List.\n", stderr);
}

int GotoHelpPage(nx::platform::HelpService& help, const nx::platform::Bundle* bundle, const char* page,
                 const char* anchor, const char* titleKey) {
  if (!bundle || !titleKey || !page) return fnfErr;
  const std::string book = bundle->LocalizedString(titleKey, nx::platform::kNoTranslation);
  if (book.empty() || book == nx::platform::kNoTranslation) return fnfErr;
  return help.OpenPage(*bundle, book, page, anchor ? anchor : "");
}

int GotoHelpPage(nx::platform::HelpService& help, const nx::platform::Bundle* bundle, const char* page,
                 const char* anchor) {
  if (!bundle || !page) return fnfErr;
  const std::string book = bundle->HelpBookName();
  if (book.empty()) return fnfErr;
  return help.OpenPage(*bundle, book, page, anchor ? anchor : "");
}

// ---- System version ----

int Gestalt_ALT(uint32_t selector, int32_t* response, int systemVersion) {
  int32_t answer;
  if (selector == gestaltSystemVersion) answer = systemVersion;
  else if (selector == gestaltSystemVersionMajor) answer = 10 * ((systemVersion >> 12) & 0xF) + ((systemVersion >> 8) & 0xF);
  else if (selector == gestaltSystemVersionMinor) answer = (systemVersion >> 4) & 0xF;
  else if (selector == gestaltSystemVersionBugFix) answer = systemVersion & 0xF;
  else {
    std::fprintf(stderr, "Gestalt_ALT : selector '%x' not supported.\n", selector);
    return -1;
  }
  if (!response) return paramErr;
  *response = answer;
  return 0;
}

int Gestalt_ALT(uint32_t selector, int32_t* response) {
  return Gestalt_ALT(selector, response, nx::platform::CurrentSystemVersion());
}

int Gestalt_ALT(uint32_t selector, int32_t* response, const nx::platform::KernelReleaseSource& source) {
  return Gestalt_ALT(selector, response, nx::platform::ProbeSystemVersion(source));
}

int Gestalt_ALT(uint32_t selector, int32_t* response, const nx::platform::Services& services) {
  return Gestalt_ALT(selector, response, services.SystemVersion());
}

}  // namespace pdekit
