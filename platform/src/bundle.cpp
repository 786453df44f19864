// Bundle folders, resources and string tables; see bundle.h.
#include "nx/platform/bundle.h"

#include <dlfcn.h>

#include <cstdlib>
#include <filesystem>

namespace nx::platform {
namespace {

namespace fs = std::filesystem;

bool IsFile(const std::string& path) {
  std::error_code ec;
  return fs::is_regular_file(path, ec);
}

// Names a resource may not have: they would leave the bundle.
bool SafeComponent(std::string_view s) {
  return s.find("..") == std::string_view::npos && s.find('\0') == std::string_view::npos &&
         (s.empty() || s.front() != '/');
}

// Older bundles name their localizations in English.
std::string_view LegacyName(std::string_view code) {
  static constexpr std::pair<std::string_view, std::string_view> kNames[] = {
      {"en", "English"}, {"ja", "Japanese"}, {"fr", "French"}, {"de", "German"},
      {"it", "Italian"}, {"es", "Spanish"},  {"nl", "Dutch"},
  };
  for (auto [c, n] : kNames)
    if (c == code) return n;
  return {};
}

}  // namespace

std::vector<std::string> EnvironmentLanguages() {
  std::vector<std::string> out;
  auto add = [&out](std::string lang) {
    if (auto p = lang.find_first_of(".@"); p != std::string::npos) lang.resize(p);
    if (lang.empty() || lang == "C" || lang == "POSIX") return;
    for (const auto& l : out)
      if (l == lang) return;
    out.push_back(std::move(lang));
  };
  if (const char* v = std::getenv("LANGUAGE"); v && *v) {
    std::string s(v);
    size_t pos = 0;
    while (pos <= s.size()) {
      size_t end = s.find(':', pos);
      if (end == std::string::npos) end = s.size();
      add(s.substr(pos, end - pos));
      pos = end + 1;
    }
  }
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    if (const char* v = std::getenv(name); v && *v) {
      add(v);
      break;  // the first one set decides, as for the C library
    }
  }
  return out;
}

std::optional<Bundle> Bundle::Open(const std::string& path) {
  auto info = ReadPropertyListFile(path + "/Contents/Info.plist", 1u << 20);
  if (!info || !info->AsDictionary()) return std::nullopt;
  return Bundle(path, std::move(*info->AsDictionary()));
}

Bundle::Bundle(std::string path, PropertyValue::Dictionary info) : path_(std::move(path)), info_(std::move(info)) {
  std::vector<std::string> langs = EnvironmentLanguages();
  if (auto dev = InfoString("CFBundleDevelopmentRegion"); !dev.empty()) langs.push_back(dev);
  langs.push_back("en");
  SetPreferredLanguages(std::move(langs));
}

void Bundle::SetPreferredLanguages(std::vector<std::string> languages) {
  languages_ = std::move(languages);
  tables_.clear();
}

const PropertyValue* Bundle::InfoValue(std::string_view key) const {
  auto it = info_.find(std::string(key));
  return it == info_.end() ? nullptr : &it->second;
}

std::string Bundle::InfoString(std::string_view key) const {
  const PropertyValue* v = InfoValue(key);
  return v && v->AsString() ? *v->AsString() : std::string();
}

std::string Bundle::ExecutablePath() const {
  const std::string exe = InfoString("CFBundleExecutable");
  if (exe.empty() || !SafeComponent(exe) || exe.find('/') != std::string::npos) return {};
  return path_ + "/Contents/Linux/" + exe + ".so";
}

std::vector<std::string> Bundle::LprojCandidates() const {
  std::vector<std::string> out;
  auto add = [&out](std::string_view s) {
    if (s.empty()) return;
    for (const auto& o : out)
      if (o == s) return;
    out.emplace_back(s);
  };
  for (const auto& lang : languages_) {
    add(lang);
    const std::string base = lang.substr(0, lang.find_first_of("_-"));
    add(base);
    add(LegacyName(base));
  }
  add("Base");
  return out;
}

std::string Bundle::ResourcePath(std::string_view name, std::string_view type, std::string_view subdir) const {
  if (name.empty() || !SafeComponent(name) || !SafeComponent(type) || !SafeComponent(subdir) ||
      type.find('/') != std::string_view::npos)
    return {};
  std::string file(name);
  if (!type.empty()) file += "." + std::string(type);
  const std::string sub = subdir.empty() ? std::string() : "/" + std::string(subdir);
  const std::string res = ResourcesDir();
  if (std::string p = res + sub + "/" + file; IsFile(p)) return p;
  for (const auto& lproj : LprojCandidates()) {
    if (std::string p = res + "/" + lproj + ".lproj" + sub + "/" + file; IsFile(p)) return p;
  }
  return {};
}

const PropertyValue::Dictionary* Bundle::Table(const std::string& table) const {
  if (auto it = tables_.find(table); it != tables_.end()) return it->second.get();
  auto loaded = std::make_shared<PropertyValue::Dictionary>();
  if (SafeComponent(table) && table.find('/') == std::string::npos) {
    const std::string res = ResourcesDir();
    std::vector<std::string> files;
    for (const auto& lproj : LprojCandidates()) files.push_back(res + "/" + lproj + ".lproj/" + table + ".strings");
    files.push_back(res + "/" + table + ".strings");
    for (const auto& f : files) {
      if (!IsFile(f)) continue;
      if (auto v = ReadPropertyListFile(f, 8u << 20); v && v->AsDictionary()) {
        *loaded = std::move(*v->AsDictionary());
        break;
      }
    }
  }
  tables_.emplace(table, loaded);
  return loaded.get();
}

std::string Bundle::LocalizedString(std::string_view key, std::string_view value, std::string_view table) const {
  const std::string name = table.empty() ? std::string(kDefaultStringTable) : std::string(table);
  const PropertyValue::Dictionary* t = Table(name);
  if (auto it = t->find(std::string(key)); it != t->end() && it->second.AsString()) return *it->second.AsString();
  return value.empty() ? std::string(key) : std::string(value);
}

std::unique_ptr<SharedLibrary> SharedLibrary::Open(const std::string& path, std::string* error) {
  dlerror();
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    if (error) {
      const char* e = dlerror();
      *error = e ? e : "cannot load " + path;
    }
    return nullptr;
  }
  return std::unique_ptr<SharedLibrary>(new SharedLibrary(handle));
}

SharedLibrary::~SharedLibrary() {
  if (handle_) dlclose(handle_);
}

void* SharedLibrary::Symbol(const char* name) const { return handle_ ? dlsym(handle_, name) : nullptr; }

std::string FormatLocalized(std::string_view text, const std::vector<std::string>& arguments) {
  std::string out;
  size_t next = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%' || i + 1 >= text.size()) {
      out += text[i];
      continue;
    }
    if (text[i + 1] == '%') {
      out += '%';
      ++i;
      continue;
    }
    // Optional "n$" position, optional "l", then the conversion.
    size_t j = i + 1;
    size_t position = 0;
    while (j < text.size() && text[j] >= '0' && text[j] <= '9' && position < 100) position = position * 10 + (text[j++] - '0');
    if (j < text.size() && text[j] == '$' && position > 0) ++j;
    else j = i + 1, position = 0;
    if (j < text.size() && text[j] == 'l') ++j;
    if (j >= text.size() || std::string_view("@sdu").find(text[j]) == std::string_view::npos) {
      out += text[i];
      continue;
    }
    const size_t index = position > 0 ? position - 1 : next++;
    if (index < arguments.size()) out += arguments[index];
    else out.append(text.substr(i, j - i + 1));
    i = j;
  }
  return out;
}

}  // namespace nx::platform
