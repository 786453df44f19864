// Domain preferences over property-list files; see preferences.h.
#include "nx/platform/preferences.h"

#include <fstream>

#include "nx/platform/network.h"
#include "nx/platform/paths.h"

namespace nx::platform {
namespace {

// Application names become file names: keep them from leaving the folder.
bool SafeFileName(std::string_view name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos &&
         name.find('\0') == std::string_view::npos;
}

}  // namespace

std::optional<PropertyValue> Preferences::CopyAppValue(std::string_view key, std::string_view application) {
  const std::string app(application);
  const std::string any(kAnyApplication);
  for (PrefUser user : {PrefUser::kCurrent, PrefUser::kAny}) {
    for (const std::string* a : {&app, &any}) {
      for (PrefHost host : {PrefHost::kCurrent, PrefHost::kAny}) {
        if (auto v = CopyValue(key, PrefDomain{*a, user, host})) return v;
      }
    }
  }
  return std::nullopt;
}

std::optional<std::string> Preferences::CopyString(std::string_view key, const PrefDomain& domain) {
  auto v = CopyValue(key, domain);
  if (!v || !v->AsString()) return std::nullopt;
  return *v->AsString();
}

CachedPreferences::Entry& CachedPreferences::Loaded(const PrefDomain& domain) {
  auto it = cache_.find(domain);
  if (it == cache_.end()) it = cache_.emplace(domain, Entry{Load(domain), {}}).first;
  return it->second;
}

std::optional<PropertyValue> CachedPreferences::CopyValue(std::string_view key, const PrefDomain& domain) {
  Entry& e = Loaded(domain);
  if (auto p = e.pending.find(key); p != e.pending.end()) return p->second;
  if (auto v = e.values.find(std::string(key)); v != e.values.end()) return v->second;
  return std::nullopt;
}

void CachedPreferences::SetValue(std::string_view key, std::optional<PropertyValue> value,
                                 const PrefDomain& domain) {
  Loaded(domain).pending.insert_or_assign(std::string(key), std::move(value));
}

bool CachedPreferences::Synchronize(const PrefDomain& domain) {
  Entry& e = Loaded(domain);
  // Start from what is stored now so that other writers' keys survive.
  PropertyValue::Dictionary merged = Load(domain);
  if (!e.pending.empty()) {
    for (const auto& [key, value] : e.pending) {
      if (value) merged.insert_or_assign(key, *value);
      else merged.erase(key);
    }
    if (!Store(domain, merged)) return false;
    e.pending.clear();
  }
  e.values = std::move(merged);
  return true;
}

FilePreferences::FilePreferences()
    : FilePreferences(UserPreferencesDir(), AnyUserPreferencesDir(), CurrentHostId()) {}

FilePreferences::FilePreferences(std::string user_root, std::string any_user_root, std::string host_id)
    : user_root_(std::move(user_root)), any_user_root_(std::move(any_user_root)), host_id_(std::move(host_id)) {}

std::string FilePreferences::DomainFile(const PrefDomain& domain) const {
  if (!SafeFileName(domain.application)) return {};
  const std::string& root = domain.user == PrefUser::kCurrent ? user_root_ : any_user_root_;
  if (domain.host == PrefHost::kAny) return root + "/" + domain.application + ".plist";
  return root + "/ByHost/" + domain.application + "." + host_id_ + ".plist";
}

PropertyValue::Dictionary FilePreferences::Load(const PrefDomain& domain) {
  const std::string path = DomainFile(domain);
  if (path.empty()) return {};
  auto root = ReadPropertyListFile(path);
  if (!root || !root->AsDictionary()) return {};  // missing or corrupt: nothing stored
  return std::move(*root->AsDictionary());
}

bool FilePreferences::Store(const PrefDomain& domain, const PropertyValue::Dictionary& values) {
  const std::string path = DomainFile(domain);
  if (path.empty()) return false;
  // Files for every user must be readable by every user; a user's own stay private.
  const unsigned mode = domain.user == PrefUser::kAny ? 0644 : 0600;
  return WritePropertyListFile(path, PropertyValue(values), mode);
}

PropertyValue::Dictionary MemoryPreferences::Load(const PrefDomain& domain) {
  auto it = stored.find(domain);
  return it == stored.end() ? PropertyValue::Dictionary{} : it->second;
}

bool MemoryPreferences::Store(const PrefDomain& domain, const PropertyValue::Dictionary& values) {
  if (fail_writes) return false;
  stored[domain] = values;
  return true;
}

std::string CurrentHostId() {
  std::ifstream in("/etc/machine-id");
  std::string id;
  if (in && std::getline(in, id)) {
    bool hex = id.size() >= 16;
    for (char c : id) hex = hex && ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'));
    if (hex) return id;
  }
  // No machine id: a stable FNV-1a digest of the host name.
  uint64_t h = 1469598103934665603ull;
  for (char c : LocalHostName().value_or("localhost")) h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ull;
  char buf[17];
  std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(h));
  return buf;
}

}  // namespace nx::platform
