// Settings utilities shared by both plug-ins: ticket writes, per-printer keys, preference reads,
// stored-secret encoding, PPD numbers, the administrator test, display widths, times of day,
// resource names, help, and the old system version query. Plain functions; none throws, each
// returns its documented empty value on failure.
#pragma once

#include <cups/ppd.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "nx/platform/preferences.h"
#include "pdekit/PDEChoice.h"
#include "pdekit/PDEHost.h"

namespace nx::platform {
class Bundle;
class HelpService;
class Identity;
class KernelReleaseSource;
class Services;
}  // namespace nx::platform

namespace pdekit {

// ---- Settings ticket and session ----

// Stores `value` (UTF-8) under `key` with the locked flag, every fullwidth broken bar (U+FFE4)
// replaced by a broken bar (U+00A6). paramErr when an argument is null, memFullErr when the
// value is not UTF-8, else the settings' status.
OSStatus SetValueToSettingsWithTicketKeyAndLock(const char* value, PrintSettings* settings, const char* key,
                                                bool locked);
// Appends the current printer's identifier to `out`: 0, or 1 when `out` is null or there is no
// current printer.
int SetPrinterString(const PrintSession* session, std::string* out);
// Appends `printerID` then `key` to `out`; false when an argument is null.
bool CreateKeyWithCurrentPrinter(const char* key, const char* printerID, std::string* out);

// ---- Preferences ----

// The text stored under printerID + key for `user`, current host, any application: 1 with a
// copy in `out`, else 0.
int GetValueFromPreference(nx::platform::Preferences& preferences, const char* key, nx::platform::PrefUser user,
                           const char* printerID, std::string* out);

// ---- Stored-secret encoding ----

// Scrambles the first `length` bytes of `buffer`, clears `capacity` bytes of it and writes the
// base64 text of the result there. Answers `buffer`, or null on failure or when `length` < 1.
char* encode(char* buffer, int length, int capacity);

// ---- PPD numbers and look-ups ----

// The first attribute, in file order, whose name starts with `name`.
ppd_attr_t* ppdFindAttr_ALT(ppd_file_t* ppd, const char* name);
bool CheckPPDKeyIsExist(ppd_file_t* ppd, const char* keyword);
// The decimal digits among the first `length` characters, in order, as a number (0 when none;
// "a1b2" gives 12). A number past INT_MAX gives INT_MAX.
int getIntFromString(const char* text, int length);
// getIntFromString of the option's default choice; -1 when the option is missing.
int GetPWMiniIntValueFromPPD(ppd_file_t* ppd, const char* keyword);
// getIntFromString over the first 3 characters of the attribute's value; 0 when missing.
int GetMBMaxNumberFromPPD(ppd_file_t* ppd, const char* attribute);
// Index in `names` of the option's default choice; -1 when missing or not listed.
int GetValueFromPPD(ppd_file_t* ppd, const char* keyword, const char* const* names, int count);
// Index of the marked choice, else of the default choice; -1 when neither exists. `option` may
// be null, then the option is looked up by `keyword`.
int GetIndexOfMarkedOptionWithKey(ppd_option_t* option, ppd_file_t* ppd, const char* keyword);
// One PDEChoice per choice in PPD order; nothing for a null option.
std::optional<std::vector<PDEChoice>> ArrayFromPPDOption(ppd_option_t* option);
// `keyword`, its first two characters rewritten as "NX" when they equal "NX" ignoring case and
// the PPD's Manufacturer is exactly "NX".
std::string FixPPDKeywordAccordingToType(ppd_file_t* ppd, const char* keyword);

// ---- Users ----

// checkIfAdminUser of the real user's login name.
bool IsUserAdmin(const nx::platform::Identity& identity);
// Whether `name` administers printers (root or a member of the print system's SystemGroup).
// Asked once per identity; a test that cannot answer is logged once.
bool checkIfAdminUser(const nx::platform::Identity& identity, const char* name);

// ---- Strings and numbers ----

// Display width of UTF-8 text: 1 per UTF-16 unit below U+0100, 2 per other unit; 0 for empty
// or undecodable text.
int GetUTF8StringLength(const char* text);
// Display width: 1 per UTF-16 unit with a one-byte Shift_JIS form, else 2.
int GetStringLength(std::string_view text);
// The decimal digits of `value` right-aligned in `buffer` (terminator at size - 1); answers
// the first digit. 0 and negative values give the empty string; null for a null buffer or a
// size below 1.
char* itoa(int value, char* buffer, int size);

// The classic 28-byte date-time record; the hour is the fifth field, the minute the sixth.
struct LongDateRec {
  int16_t era = 0, year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  int16_t dayOfWeek = 0, dayOfYear = 0, weekOfYear = 0, pm = 0, res1 = 0, res2 = 0, res3 = 0;
};
static_assert(sizeof(LongDateRec) == 28);

// "2001-01-01 HH:MM:00 " + GetActualTimeZoneString().
std::string ConvertLongDateToNSDate(const LongDateRec& time);
// Hour from characters 11-12 and minute from 14-15 of a "YYYY-MM-DD HH:MM:SS zone" text;
// nothing changes when the text is shorter.
void ConvertNSDateToLongDate(std::string_view date, LongDateRec* time);
// The local zone's standard offset (daylight saving removed) as "+HHMM" / "-HHMM".
std::string GetActualTimeZoneString();
// The same text for an offset of `secondsEast` seconds.
std::string TimeZoneStringForOffset(long secondsEast);
// |offset on 2005-07-01 12:00 UTC - offset on 2005-01-01 12:00 UTC| of the local zone.
long GetActualDSTSecondOffset();

// POSIX extended match without sub-matches: 0 on a match, -3 no match, -2 other matching
// error, -1 when the pattern does not compile.
int regexp(const char* pattern, const char* text);
// Fills `width` bytes of `destination` with '0' and copies the `length` bytes of `source` to
// its end; no terminator. A source longer than `width` is cut to its first `width` bytes.
void addZeroForHead(const char* source, int length, char* destination, int width);
// At most 255 bytes of `text`, cut at a character boundary.
std::string NSStringCreateWithCFString(std::string_view text);
// Deletes a non-null string and nulls the reference.
void ReleaseCFString(std::string*& reference);
bool IsFileExist(const char* path);
bool DeleteFile(const char* path);

// ---- Resource names and help ----

// Part 0: the text before the first "-" (all of it without one); part 1: the text after it
// (empty without one). At most 254 bytes.
std::string GetAppResourceName(const char* value, int part);
// Part 0: prefix0 + name; part 1: prefix1 + name; any other: name (at most 255 UTF-16 units).
std::string GetAppFullResourceName(std::string_view name, int part, std::string_view prefix0,
                                   std::string_view prefix1);
// Registers the help book of the plug-in's own bundle: 0, the help service's error, or fnfErr
// when the bundle is not loaded.
int RegisterMyHelpBook(nx::platform::HelpService& help, const nx::platform::Bundle* ownBundle);
int RegisterHelpBook(nx::platform::HelpService& help, const nx::platform::Bundle* bundle);
// Drops a stale localized entry of `identifier` from the help preferences file
// (com.apple.help.plist in `preferencesDir`). Nothing changes when the file, the entry or
// ".lproj" in its url is absent.
void RemoveHelpCacheForBundleID(std::string_view identifier, const std::string& preferencesDir);
// Opens `page` at `anchor` in the help book named by the bundle's string `titleKey`: 0,
// fnfErr when the bundle or the name is missing, or the help service's error.
int GotoHelpPage(nx::platform::HelpService& help, const nx::platform::Bundle* bundle, const char* page,
                 const char* anchor, const char* titleKey);
// The same with the book named by the bundle's CFBundleHelpBookName.
int GotoHelpPage(nx::platform::HelpService& help, const nx::platform::Bundle* bundle, const char* page,
                 const char* anchor);

// ---- System version ----

constexpr uint32_t FourCC(const char (&s)[5]) {
  return (uint32_t(uint8_t(s[0])) << 24) | (uint32_t(uint8_t(s[1])) << 16) | (uint32_t(uint8_t(s[2])) << 8) |
         uint32_t(uint8_t(s[3]));
}
inline constexpr uint32_t gestaltSystemVersion = FourCC("sysv");
inline constexpr uint32_t gestaltSystemVersionMajor = FourCC("sys1");
inline constexpr uint32_t gestaltSystemVersionMinor = FourCC("sys2");
inline constexpr uint32_t gestaltSystemVersionBugFix = FourCC("sys3");

// Answers 'sysv', 'sys1', 'sys2' and 'sys3' for the version number `systemVersion`: 0, or -1
// (with a message on standard error) for another selector, paramErr for a null `response`.
int Gestalt_ALT(uint32_t selector, int32_t* response, int systemVersion);
// For the running system (probed once per process), a kernel release source, or the services.
int Gestalt_ALT(uint32_t selector, int32_t* response);
int Gestalt_ALT(uint32_t selector, int32_t* response, const nx::platform::KernelReleaseSource& source);
int Gestalt_ALT(uint32_t selector, int32_t* response, const nx::platform::Services& services);

}  // namespace pdekit
