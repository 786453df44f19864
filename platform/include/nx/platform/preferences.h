// Preferences with the platform's domain semantics: a value lives in the domain of one
// application or of any application, for the current user or any user, on the current host or
// any host. Changes are cached until Synchronize writes them (atomically) and picks up what
// others wrote.
//
// Files (one XML property list per domain):
//   user root   = UserPreferencesDir()     (current user)   | AnyUserPreferencesDir() (any user)
//   any host    = <root>/<application>.plist
//   current host= <root>/ByHost/<application>.<host id>.plist
// where the any-application domain uses the application name ".GlobalPreferences".
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <tuple>

#include "nx/platform/property_list.h"

namespace nx::platform {

// The application name of the any-application domain (also its file name).
inline constexpr std::string_view kAnyApplication = ".GlobalPreferences";

enum class PrefUser { kCurrent, kAny };
enum class PrefHost { kCurrent, kAny };

struct PrefDomain {
  std::string application{kAnyApplication};
  PrefUser user = PrefUser::kCurrent;
  PrefHost host = PrefHost::kCurrent;
  auto operator<=>(const PrefDomain&) const = default;
};

class Preferences {
 public:
  virtual ~Preferences() = default;

  // The value of `key` in exactly that domain; empty when absent or unreadable.
  virtual std::optional<PropertyValue> CopyValue(std::string_view key, const PrefDomain& domain) = 0;
  // Sets (or, with an empty value, removes) `key` in the domain's cache.
  virtual void SetValue(std::string_view key, std::optional<PropertyValue> value,
                        const PrefDomain& domain) = 0;
  // Writes the domain's pending changes over what is stored now and re-reads it. False when the
  // changes could not be stored; they stay pending then.
  [[nodiscard]] virtual bool Synchronize(const PrefDomain& domain) = 0;

  // The first value of `key` along the search list of `application`: (app, current user,
  // current host), (app, current user, any host), (any app, current user, current host),
  // (any app, current user, any host), then the same four for any user.
  std::optional<PropertyValue> CopyAppValue(std::string_view key, std::string_view application);

  // CopyValue narrowed to text.
  std::optional<std::string> CopyString(std::string_view key, const PrefDomain& domain);
};

// Domain cache shared by the file store and the test double.
class CachedPreferences : public Preferences {
 public:
  std::optional<PropertyValue> CopyValue(std::string_view key, const PrefDomain& domain) override;
  void SetValue(std::string_view key, std::optional<PropertyValue> value, const PrefDomain& domain) override;
  bool Synchronize(const PrefDomain& domain) override;

 protected:
  // The stored dictionary of a domain (empty when none or unreadable).
  virtual PropertyValue::Dictionary Load(const PrefDomain& domain) = 0;
  virtual bool Store(const PrefDomain& domain, const PropertyValue::Dictionary& values) = 0;

 private:
  struct Entry {
    PropertyValue::Dictionary values;
    std::map<std::string, std::optional<PropertyValue>, std::less<>> pending;
  };
  Entry& Loaded(const PrefDomain& domain);
  std::map<PrefDomain, Entry> cache_;
};

// The Linux store: XML property-list files under the two preference roots.
class FilePreferences final : public CachedPreferences {
 public:
  // Roots default to UserPreferencesDir() / AnyUserPreferencesDir(); the host id to
  // CurrentHostId().
  FilePreferences();
  FilePreferences(std::string user_root, std::string any_user_root, std::string host_id);

  // The file that holds a domain.
  std::string DomainFile(const PrefDomain& domain) const;

 protected:
  PropertyValue::Dictionary Load(const PrefDomain& domain) override;
  bool Store(const PrefDomain& domain, const PropertyValue::Dictionary& values) override;

 private:
  std::string user_root_;
  std::string any_user_root_;
  std::string host_id_;
};

// In memory, for tests; Store fails while `fail_writes` is set.
class MemoryPreferences final : public CachedPreferences {
 public:
  bool fail_writes = false;
  std::map<PrefDomain, PropertyValue::Dictionary> stored;

 protected:
  PropertyValue::Dictionary Load(const PrefDomain& domain) override;
  bool Store(const PrefDomain& domain, const PropertyValue::Dictionary& values) override;
};

// The machine's identity for by-host files: /etc/machine-id, else a digest of the host name.
std::string CurrentHostId();

}  // namespace nx::platform
