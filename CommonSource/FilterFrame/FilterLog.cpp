// Localized filter messages; see FilterLog.h.
#include "FilterLog.h"

#include <plist/plist.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "nx/platform/paths.h"

namespace nx::filter {
namespace {

// A localization table is a few kilobytes; anything far larger is not one of ours.
constexpr std::size_t kMaxTableBytes = 1 << 20;
// Longest message text LogMessage writes (without level and line end).
constexpr int kMaxMessageBytes = 2047;

using StringTable = std::unordered_map<std::string, std::string>;

struct LocalizationState {
  std::vector<std::string> languages;
  bool loaded = false;
  StringTable table;
};

LocalizationState& State() {
  static LocalizationState state;
  return state;
}

struct PlistFree {
  void operator()(plist_t p) const { plist_free(p); }
};
using PlistHandle = std::unique_ptr<void, PlistFree>;

// The sequence of argument kinds a printf format consumes, e.g. "i,s,lf" — or nullopt when the
// format holds a conversion LogMessage must never run (%n, positional arguments, unknown ones).
std::optional<std::string> ConversionSignature(const std::string& format) {
  std::string sig;
  for (std::size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '%') continue;
    if (++i >= format.size()) return std::nullopt;
    if (format[i] == '%') continue;
    // Flags, width and precision; a '*' takes an int argument, a '$' means positional arguments.
    auto skip_number = [&] {
      if (i < format.size() && format[i] == '*') {
        sig += "i,";
        ++i;
      } else {
        while (i < format.size() && format[i] >= '0' && format[i] <= '9') ++i;
      }
    };
    while (i < format.size() && std::string_view("-+ #0'").find(format[i]) != std::string_view::npos) ++i;
    skip_number();
    if (i < format.size() && format[i] == '$') return std::nullopt;
    if (i < format.size() && format[i] == '.') {
      ++i;
      skip_number();
    }
    std::string length;
    while (i < format.size() && std::string_view("hlLqjzt").find(format[i]) != std::string_view::npos) {
      length += format[i++];
    }
    if (i >= format.size()) return std::nullopt;
    const char c = format[i];
    char kind;
    if (std::string_view("diouxXc").find(c) != std::string_view::npos) {
      kind = 'i';
    } else if (std::string_view("eEfFgGaA").find(c) != std::string_view::npos) {
      kind = 'f';
    } else if (c == 's') {
      kind = 's';
    } else if (c == 'p') {
      kind = 'p';
    } else {
      return std::nullopt;  // %n and anything unknown
    }
    sig += length;
    sig += kind;
    sig += ',';
  }
  return sig;
}

// "ja_JP.UTF-8" -> {"ja_JP", "ja"}; "en-US" -> {"en_US", "en"}.
std::vector<std::string> TableNamesFor(const std::string& language) {
  std::string tag = language.substr(0, language.find_first_of(".@"));
  for (char& c : tag) {
    if (c == '-') c = '_';
  }
  std::vector<std::string> names;
  if (tag.empty() || tag == "C" || tag == "POSIX") return names;
  // Folder names only: nothing that could leave the data folder.
  if (tag.find('/') != std::string::npos || tag.find("..") != std::string::npos) return names;
  names.push_back(tag);
  if (auto sep = tag.find('_'); sep != std::string::npos && sep > 0) names.push_back(tag.substr(0, sep));
  return names;
}

std::optional<StringTable> ReadTable(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string xml;
  char buf[8192];
  while (in.read(buf, sizeof buf) || in.gcount() > 0) {
    xml.append(buf, static_cast<std::size_t>(in.gcount()));
    if (xml.size() > kMaxTableBytes) return std::nullopt;
  }
  plist_t root = nullptr;
  plist_from_xml(xml.data(), static_cast<uint32_t>(xml.size()), &root);
  PlistHandle owner(root);
  if (!root || plist_get_node_type(root) != PLIST_DICT) return std::nullopt;

  StringTable table;
  plist_dict_iter iter = nullptr;
  plist_dict_new_iter(root, &iter);
  std::unique_ptr<void, decltype(&std::free)> iter_owner(iter, &std::free);
  while (iter) {
    char* key = nullptr;
    plist_t value = nullptr;
    plist_dict_next_item(root, iter, &key, &value);
    if (!key) break;
    std::unique_ptr<char, decltype(&std::free)> key_owner(key, &std::free);
    if (!value || plist_get_node_type(value) != PLIST_STRING) continue;
    char* text = nullptr;
    plist_get_string_val(value, &text);
    if (!text) continue;
    std::unique_ptr<char, decltype(&std::free)> text_owner(text, &std::free);
    const auto key_sig = ConversionSignature(key);
    const auto text_sig = ConversionSignature(text);
    if (!key_sig || !text_sig || *key_sig != *text_sig) continue;
    table.emplace(key, text);
  }
  return table;
}

// The table of the first of `languages` that has one; empty without.
StringTable LoadTable(const std::vector<std::string>& languages) {
  const std::string root = nx::platform::DataDir() + "/jobfilter/";
  for (const std::string& language : languages) {
    for (const std::string& name : TableNamesFor(language)) {
      if (auto table = ReadTable(root + name + ".lproj/Localizable.strings")) return std::move(*table);
    }
  }
  return {};
}

const StringTable& CurrentTable() {
  LocalizationState& state = State();
  if (!state.loaded) {
    state.loaded = true;
    state.table = LoadTable(state.languages);
  }
  return state.table;
}

// The language SetLocale takes from the environment, as a list of at most one.
std::vector<std::string> EnvironmentLanguages() {
  for (const char* name : {"APPLE_LANGUAGE", "LANG"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != 0) return {value};
  }
  return {};
}

// Formats `localized` (whose conversions are those of its key) with `ap`; "" when too long.
std::string FormatMessage(const std::string& localized, va_list ap) {
  char text[kMaxMessageBytes + 1];
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
  const int n = std::vsnprintf(text, sizeof text, localized.c_str(), ap);
#pragma GCC diagnostic pop
  if (n < 0 || n > kMaxMessageBytes) return {};
  return std::string(text, static_cast<std::size_t>(n));
}

}  // namespace

void FilterSetLanguages(std::vector<std::string> languages) {
  LocalizationState& state = State();
  state.languages = std::move(languages);
  state.loaded = false;
}

std::vector<std::string> FilterLanguages() { return State().languages; }

std::string FilterLocalizedFormat(const char* key) {
  const StringTable& table = CurrentTable();
  if (auto it = table.find(key); it != table.end()) return it->second;
  return key;
}

std::string FilterLocalizedMessage(const char* format, ...) {
  std::string localized = format;
  if (State().languages.empty()) {
    const StringTable table = LoadTable(EnvironmentLanguages());
    if (auto it = table.find(format); it != table.end()) localized = it->second;
  } else {
    localized = FilterLocalizedFormat(format);
  }
  va_list ap;
  va_start(ap, format);
  std::string text = FormatMessage(localized, ap);
  va_end(ap);
  return text;
}

void LogMessage(const char* level, const char* format, ...) {
  const std::string localized = FilterLocalizedFormat(format);
  char text[kMaxMessageBytes + 1];
  va_list ap;
  va_start(ap, format);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
  // The localized format has the key's conversions (checked when the table was read).
  const int n = std::vsnprintf(text, sizeof text, localized.c_str(), ap);
#pragma GCC diagnostic pop
  va_end(ap);
  if (n < 0 || n > kMaxMessageBytes) return;
  std::string line;
  line.reserve(static_cast<std::size_t>(n) + 16);
  line.append(level).append(": ").append(text, static_cast<std::size_t>(n)).append("\n");
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
}

}  // namespace nx::filter
