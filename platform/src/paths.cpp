// Linux locations of the system's folders; see paths.h for the variables that move them.
#include "nx/platform/paths.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#ifndef NX_INSTALL_DATADIR
#define NX_INSTALL_DATADIR "/usr/local/share/norvalex"
#endif
#ifndef NX_INSTALL_PLUGINDIR
#define NX_INSTALL_PLUGINDIR "/usr/local/lib/norvalex/plugins"
#endif

namespace nx::platform {
namespace {

// Environment value, or empty when unset or empty.
std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return (v && *v) ? std::string(v) : std::string();
}

}  // namespace

std::string HomeDir() {
  std::string home = Env("HOME");
  if (!home.empty()) return home;
  if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) return pw->pw_dir;
  return "/";
}

std::string UserPreferencesDir() {
  if (auto v = Env("NX_USER_PREFS_DIR"); !v.empty()) return v;
  if (auto v = Env("XDG_CONFIG_HOME"); !v.empty()) return v + "/norvalex";
  return HomeDir() + "/.config/norvalex";
}

std::string AnyUserPreferencesDir() {
  if (auto v = Env("NX_ANY_USER_PREFS_DIR"); !v.empty()) return v;
  return "/etc/norvalex/preferences";
}

std::string ApplicationSupportDir() {
  if (auto v = Env("XDG_DATA_HOME"); !v.empty()) return v;
  return HomeDir() + "/.local/share";
}

std::string PhonebookDir() { return ApplicationSupportDir() + "/NORVALEX/JPN/MFP_D-FAX"; }

std::string SystemDir() {
  if (auto v = Env("NX_SYSTEM_DIR"); !v.empty()) return v;
  return "/etc/norvalex";
}

std::string JobCopyFlagFile() { return SystemDir() + "/nxjobcopy"; }

std::string PrivateTmpDir() {
  if (auto v = Env("NX_PRIVATE_TMP"); !v.empty()) return v;
  return "/tmp";
}

std::string TempDir() {
  if (auto v = Env("TMPDIR"); !v.empty()) return v;
  return "/tmp";
}

std::string DataDir() {
  if (auto v = Env("NX_DATA_DIR"); !v.empty()) return v;
  return NX_INSTALL_DATADIR;
}

std::string PlugInDir() {
  if (auto v = Env("NX_PLUGIN_DIR"); !v.empty()) return v;
#ifdef NX_PLUGINDIR_FROM_BINDIR
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::path program = fs::read_symlink("/proc/self/exe", ec);
  if (!ec) {
    const fs::path dir = (program.parent_path() / NX_PLUGINDIR_FROM_BINDIR).lexically_normal();
    if (fs::is_directory(dir, ec)) return dir.string();
  }
#endif
  return NX_INSTALL_PLUGINDIR;
}

}  // namespace nx::platform
