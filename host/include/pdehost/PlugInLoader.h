// Loading plug-in bundles: each is opened with the platform's bundle loader, its library loaded
// privately (RTLD_LOCAL, so two plug-ins' copies of the framework never meet) and its principal
// object made through the one C entry point.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "nx/platform/bundle.h"
#include "pdekit/PDEHost.h"

namespace nx::platform {
class Services;
}

namespace pdehost {

// One loaded bundle. The principal object and the bundle go before the library is closed: the
// bundle caches string tables that the plug-in's own code made, whose clean-up lives in it.
struct LoadedPlugIn {
  std::string name;  // the bundle folder's name
  std::unique_ptr<nx::platform::Bundle> bundle;
  std::unique_ptr<nx::platform::SharedLibrary> library;
  std::unique_ptr<pdekit::PDEPlugIn> plugin;

  LoadedPlugIn() = default;
  LoadedPlugIn(LoadedPlugIn&&) = default;
  LoadedPlugIn& operator=(LoadedPlugIn&&) = delete;
  ~LoadedPlugIn() {
    plugin.reset();
    bundle.reset();
  }
};

// Folders directly inside `dir` that hold Contents/Info.plist, by name.
std::vector<std::string> FindBundles(const std::string& dir);

// Opens the bundle at `path`, loads its library, makes the principal object and hands it the
// bundle and services. Null with `*error` set when any step fails.
std::unique_ptr<LoadedPlugIn> LoadPlugIn(const std::string& path, nx::platform::Services& services,
                                         std::string* error);

}  // namespace pdehost
