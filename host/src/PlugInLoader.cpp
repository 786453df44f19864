// Plug-in bundles; see PlugInLoader.h.
#include "pdehost/PlugInLoader.h"

#include <algorithm>
#include <filesystem>

#include "nx/platform/services.h"

namespace pdehost {

std::vector<std::string> FindBundles(const std::string& dir) {
  namespace fs = std::filesystem;
  std::vector<std::string> out;
  std::error_code ec;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code fec;
    if (it->is_directory(fec) && fs::is_regular_file(it->path() / "Contents" / "Info.plist", fec))
      out.push_back(it->path().filename().string());
  }
  std::sort(out.begin(), out.end());
  return out;
}

std::unique_ptr<LoadedPlugIn> LoadPlugIn(const std::string& path, nx::platform::Services& services,
                                         std::string* error) {
  auto fail = [&](std::string message) {
    if (error) *error = path + ": " + message;
    return nullptr;
  };
  auto bundle = nx::platform::Bundle::Open(path);
  if (!bundle) return fail("not a bundle (no readable Contents/Info.plist)");
  auto loaded = std::make_unique<LoadedPlugIn>();
  loaded->name = std::filesystem::path(path).filename().string();
  loaded->bundle = std::make_unique<nx::platform::Bundle>(std::move(*bundle));
  const std::string executable = loaded->bundle->ExecutablePath();
  if (executable.empty()) return fail("its Info.plist names no CFBundleExecutable");
  std::string why;
  loaded->library = nx::platform::SharedLibrary::Open(executable, &why);
  if (!loaded->library) return fail("cannot load its library: " + why);
  auto create = reinterpret_cast<pdekit::NXCreatePDEPlugInFunc>(loaded->library->Symbol(pdekit::kPDEEntryPointName));
  if (!create) return fail(std::string("its library has no entry point ") + pdekit::kPDEEntryPointName);
  loaded->plugin.reset(create(pdekit::kPDEInterfaceVersion));
  if (!loaded->plugin)
    return fail("the plug-in refused interface version " + std::to_string(pdekit::kPDEInterfaceVersion));
  if (!loaded->plugin->initWithBundle(*loaded->bundle, services)) return fail("the plug-in refused its bundle");
  return loaded;
}

}  // namespace pdehost
