// Plug-in bundles: a folder laid out as
//   <bundle>/Contents/Info.plist            identifier, short version, help book name, executable
//   <bundle>/Contents/Linux/<executable>.so the plug-in library
//   <bundle>/Contents/Resources/            layouts, Help/, <lang>.lproj/<Table>.strings
// with resource look-up by name and type and localized strings from XML-plist string tables.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "nx/platform/property_list.h"

namespace nx::platform {

// The default string table.
inline constexpr std::string_view kDefaultStringTable = "Localizable";
// What the plug-ins pass as the default value of a look-up, to tell a missing key apart.
inline constexpr std::string_view kNoTranslation = "no translation";

// Replaces the printf-style placeholders ("%@", "%s", "%d", "%ld", "%u", positional "%1$@") of
// a localized text with `arguments` in order; "%%" gives "%". Placeholders without an argument
// are left as they are.
std::string FormatLocalized(std::string_view text, const std::vector<std::string>& arguments);

class Bundle {
 public:
  // A bundle at `path`; empty when the folder has no readable Contents/Info.plist dictionary.
  static std::optional<Bundle> Open(const std::string& path);

  const std::string& Path() const { return path_; }
  std::string ResourcesDir() const { return path_ + "/Contents/Resources"; }
  std::string Identifier() const { return InfoString("CFBundleIdentifier"); }
  std::string ShortVersion() const { return InfoString("CFBundleShortVersionString"); }
  std::string HelpBookName() const { return InfoString("CFBundleHelpBookName"); }
  const PropertyValue* InfoValue(std::string_view key) const;
  std::string InfoString(std::string_view key) const;
  // Contents/Linux/<CFBundleExecutable>.so; empty without an executable entry.
  std::string ExecutablePath() const;

  // Languages to try, most wanted first. Defaults to the user's (LANGUAGE, LC_ALL,
  // LC_MESSAGES, LANG), then the bundle's development region, then English.
  void SetPreferredLanguages(std::vector<std::string> languages);
  const std::vector<std::string>& PreferredLanguages() const { return languages_; }

  // Path of Resources[/subdir]/name.type (type may be empty), else of the first
  // Resources/<lang>.lproj[/subdir]/name.type in language order; empty when none exists.
  std::string ResourcePath(std::string_view name, std::string_view type, std::string_view subdir = {}) const;

  // The translation of `key` in `table` (the default table when empty), from the first
  // localization that has the table. A missing key gives `value`, or `key` when `value` is
  // empty.
  std::string LocalizedString(std::string_view key, std::string_view value = {},
                              std::string_view table = {}) const;

 private:
  explicit Bundle(std::string path, PropertyValue::Dictionary info);
  const PropertyValue::Dictionary* Table(const std::string& table) const;
  std::vector<std::string> LprojCandidates() const;

  std::string path_;
  PropertyValue::Dictionary info_;
  std::vector<std::string> languages_;
  // Loaded string tables by name; a table that failed to load is cached as empty.
  mutable std::map<std::string, std::shared_ptr<const PropertyValue::Dictionary>, std::less<>> tables_;
};

// The user's languages from the environment, most wanted first ("ja_JP.UTF-8" gives "ja_JP").
std::vector<std::string> EnvironmentLanguages();

// A shared library loaded privately (RTLD_NOW | RTLD_LOCAL), closed on destruction. The
// plug-ins' copies of the framework must not meet, hence never RTLD_GLOBAL.
class SharedLibrary {
 public:
  static std::unique_ptr<SharedLibrary> Open(const std::string& path, std::string* error);
  ~SharedLibrary();
  SharedLibrary(const SharedLibrary&) = delete;
  SharedLibrary& operator=(const SharedLibrary&) = delete;
  void* Symbol(const char* name) const;

 private:
  explicit SharedLibrary(void* handle) : handle_(handle) {}
  void* handle_;
};

}  // namespace nx::platform
