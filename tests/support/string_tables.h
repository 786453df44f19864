// Checks of a bundle's translated string tables against its English ones, and a scoped user
// language for driving a plug-in in another language.
#pragma once

#include <cstdlib>
#include <optional>
#include <regex>
#include <string>
#include <utility>
#include <vector>

#include "nx/platform/property_list.h"

namespace nx::testing {

// The printf and object formats of `text` in order, "%%" included: a translation that drops,
// adds or reorders one would format the wrong argument.
inline std::vector<std::string> FormatSpecifiers(const std::string& text) {
  static const std::regex kSpec(
      R"(%(\d+\$)?[-+ #0']*\d*(\.\d+)?(hh|h|ll|l|q|L|z|j|t)?[@dDiuUxXoOfFeEgGaAcCsSp%])");
  std::vector<std::string> out;
  for (auto it = std::sregex_iterator(text.begin(), text.end(), kSpec);
       it != std::sregex_iterator(); ++it)
    out.push_back(it->str());
  return out;
}

// What is wrong with the table `translated` next to `english`: unreadable files, keys only in
// one of them, values that are not strings or are empty, formats that differ. Empty when sound.
inline std::vector<std::string> TranslationFaults(const std::string& english,
                                                  const std::string& translated) {
  const auto en = platform::ReadPropertyListFile(english);
  const auto tr = platform::ReadPropertyListFile(translated);
  if (!en || !en->AsDictionary()) return {"cannot read " + english};
  if (!tr || !tr->AsDictionary()) return {"cannot read " + translated};
  std::vector<std::string> faults;
  for (const auto& [key, value] : *en->AsDictionary()) {
    auto it = tr->AsDictionary()->find(key);
    if (it == tr->AsDictionary()->end()) {
      faults.push_back("missing: " + key);
    } else if (!it->second.AsString() || it->second.AsString()->empty()) {
      faults.push_back("empty: " + key);
    } else if (value.AsString() &&
               FormatSpecifiers(*value.AsString()) != FormatSpecifiers(*it->second.AsString())) {
      faults.push_back("formats differ: " + key);
    }
  }
  for (const auto& [key, value] : *tr->AsDictionary())
    if (!en->AsDictionary()->count(key)) faults.push_back("not in English: " + key);
  return faults;
}

// The user's language for the lifetime of the object (as a desktop session sets it), the
// variables that would outrank LANG cleared; everything is put back afterwards.
class ScopedLanguage {
 public:
  explicit ScopedLanguage(const char* lang) {
    for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) {
      const char* v = std::getenv(name);
      saved_.emplace_back(name, v ? std::optional<std::string>(v) : std::nullopt);
      ::unsetenv(name);
    }
    ::setenv("LANG", lang, 1);
  }
  ~ScopedLanguage() {
    for (const auto& [name, value] : saved_) {
      if (value)
        ::setenv(name, value->c_str(), 1);
      else
        ::unsetenv(name);
    }
  }
  ScopedLanguage(const ScopedLanguage&) = delete;
  ScopedLanguage& operator=(const ScopedLanguage&) = delete;

 private:
  std::vector<std::pair<const char*, std::optional<std::string>>> saved_;
};

}  // namespace nx::testing
