// PPD helpers for the popups bound to PPD options: choice rows with their conflict state,
// defaults, titles, choice positions, the PPD's text encoding, and finding a panel's section of
// the constraint cache. PPD arguments may be null; missing options give the documented empty
// results. CUPS hands option and choice texts over already converted to UTF-8.
#pragma once

#include <cups/ppd.h>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "pdekit/CQuickXPPD.h"

namespace nx::platform {
class Services;
}

namespace pdekit {

// One row of a popup: option keyword, choice keyword, translated text, conflict state.
using PPDChoiceRow = std::array<std::string, 4>;
inline constexpr const char* kConflictTrue = "ConflictTrue";
inline constexpr const char* kConflictFalse = "ConflictFalse";

// Text encodings of GetCFStringEncodingFromPPD.
inline constexpr uint32_t kCFStringEncodingMacRoman = 0;
inline constexpr uint32_t kCFStringEncodingMacJapanese = 1;
inline constexpr uint32_t kCFStringEncodingISOLatin1 = 0x0201;
inline constexpr uint32_t kCFStringEncodingWindowsLatin1 = 0x0500;
inline constexpr uint32_t kCFStringEncodingUTF8 = 0x08000100;

// 0 when the cache file named by the PPD attribute `attrKeyword` was opened and its section
// `panelName` + "Panther" (system 0x1030) or + "Tiger" (every other) read into `index`; 1 when
// there is no such attribute or the file cannot be opened. `systemVersion` is the 'sysv' number.
int GetXPPD(ppd_file_t* ppd, ConstraintIndex* index, const char* panelName, const char* attrKeyword,
            int systemVersion);
int GetXPPD(ppd_file_t* ppd, ConstraintIndex* index, const char* panelName, const char* attrKeyword,
            const nx::platform::Services& services);

// True when a choice stored under "keyword:choice" in `index` is currently marked.
bool IsPPDChoiceConflicted(ppd_file_t* ppd, const ConstraintIndex* index, const char* keyword, const char* choice);
// Without an index nothing is known to conflict.
bool IsPPDChoiceConflicted(ppd_file_t* ppd, const char* keyword, const char* choice);

// Appends one row per choice of the option (nothing when `rows` is null or the option is
// missing or has no choices) and adds 1 to `count` per row. Returns 0.
int GetUIListFromPPD(ppd_file_t* ppd, const ConstraintIndex* index, const char* keyword,
                     std::vector<PPDChoiceRow>* rows, uint16_t* count);
int GetUIListFromPPD(ppd_file_t* ppd, const char* keyword, std::vector<PPDChoiceRow>* rows, uint16_t* count);

// GetUIListFromPPD when the option exists; always true.
bool InitializeValueFromPPD(ppd_file_t* ppd, const ConstraintIndex* index, std::vector<PPDChoiceRow>* rows,
                            const char* keyword);
bool InitializeValueFromPPD(ppd_file_t* ppd, std::vector<PPDChoiceRow>* rows, const char* keyword);

// The encoding named by the PPD's LanguageEncoding (exact spelling), else Mac Roman (0).
void GetCFStringEncodingFromPPD(ppd_file_t* ppd, uint32_t* encoding);

// The option's default choice keyword, or nothing when the option is missing. Returns 0.
int GetUIDefaultFromPPD(ppd_file_t* ppd, const char* keyword, std::optional<std::string>* out);
// Index of the choice equal to the option's default; -1 when missing or unmatched.
int GetUIDefaultValueFromPPD(ppd_file_t* ppd, const char* keyword);
// Index of the first choice equal to `choice` (case-sensitive); 0 when the option is missing
// or has no choices; the number of choices when none matches.
int GetChoiceIndex(ppd_file_t* ppd, const char* keyword, const char* choice);
// The option's translated text, or nothing. Returns 0.
int GetUITitleFromPPD(ppd_file_t* ppd, const char* keyword, std::optional<std::string>* out);
// Index of the first row whose element 0 is `key` and element 1 is `value`; -1 when none.
int FindPPDKeyPairsMatch(const std::vector<PPDChoiceRow>* rows, const char* key, const char* value);
// Whether an attribute whose name starts with the first 19 bytes of `name` exists.
bool CDFKeyExist(ppd_file_t* ppd, const char* name);

}  // namespace pdekit
