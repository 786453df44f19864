// The filter's messages to the print system: localized CUPS filter message lines on standard
// error ("LEVEL: text\n").
//
// Texts are looked up in the filter's localization table with the English text as key:
//   DataDir()/jobfilter/<language>.lproj/Localizable.strings   (XML property list)
// The language list comes from SetLocale (FilterInit.h); without one, or without a table for
// any of its languages, the English key is used as it is.
#pragma once

#include <string>
#include <vector>

namespace nx::filter {

// Formats the localized text of `format` printf-style and writes "%s: %s\n" (level, text) to
// standard error in one write. A text longer than 2047 bytes is not written.
void LogMessage(const char* level, const char* format, ...) __attribute__((format(printf, 2, 3)));

// The preferred languages of this process ("AppleLanguages"), most preferred first. Each entry is a
// language tag as found in APPLE_LANGUAGE or LANG ("ja", "ja-JP", "ja_JP.UTF-8").
void FilterSetLanguages(std::vector<std::string> languages);
std::vector<std::string> FilterLanguages();

// The localized format for `key` under the current languages, or `key` itself. A translation is
// only used when its conversions (%d, %s, ...) are the same, in the same order, as the key's, so a
// faulty table can never make LogMessage read arguments of the wrong type.
std::string FilterLocalizedFormat(const char* key);

// The localized text of `format` filled printf-style, as LogMessage writes it ("" when it is
// longer). The main flow's refusals come before the document step's SetLocale: until a language
// is set, the one SetLocale would set (APPLE_LANGUAGE, else LANG) is used, and nothing is stored.
std::string FilterLocalizedMessage(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace nx::filter
