// Folder locations and file operations; see folders.h.
#include "nx/platform/folders.h"

#include <filesystem>

#include "nx/platform/paths.h"

namespace nx::platform {

namespace fs = std::filesystem;

bool Folders::CreateDirectories(const std::string& path) const {
  if (path.empty()) return false;
  std::error_code ec;
  fs::create_directories(path, ec);
  return fs::is_directory(path, ec);
}

bool Folders::FileExists(const std::string& path) const {
  std::error_code ec;
  return !path.empty() && fs::is_regular_file(path, ec);
}

bool Folders::DeleteFile(const std::string& path) const {
  std::error_code ec;
  if (path.empty() || fs::is_directory(fs::symlink_status(path, ec))) return false;
  return fs::remove(path, ec) && !ec;
}

std::string LinuxFolders::ApplicationSupportDir() const { return nx::platform::ApplicationSupportDir(); }
std::string LinuxFolders::PreferencesDir() const { return UserPreferencesDir(); }
std::string LinuxFolders::PhonebookDir() const { return nx::platform::PhonebookDir(); }
std::string LinuxFolders::TempDir() const { return nx::platform::TempDir(); }

}  // namespace nx::platform
