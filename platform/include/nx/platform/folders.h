// The user's folders and the few file operations the panels need (folder creation, existence,
// deletion), behind an interface so that tests can point everything at a temporary root.
#pragma once

#include <string>

namespace nx::platform {

class Folders {
 public:
  virtual ~Folders() = default;
  // The user's Library folder + "Application Support".
  virtual std::string ApplicationSupportDir() const = 0;
  // The user's Preferences folder (the current-user preferences root).
  virtual std::string PreferencesDir() const = 0;
  // ApplicationSupportDir()/NORVALEX/JPN/MFP_D-FAX.
  virtual std::string PhonebookDir() const = 0;
  virtual std::string TempDir() const = 0;

  // Creates the folder and its missing parents; true when it exists afterwards.
  virtual bool CreateDirectories(const std::string& path) const;
  // True when `path` names an existing regular file.
  virtual bool FileExists(const std::string& path) const;
  // Removes a file; false when it did not exist or could not be removed.
  virtual bool DeleteFile(const std::string& path) const;
};

// The folders of paths.h.
class LinuxFolders final : public Folders {
 public:
  std::string ApplicationSupportDir() const override;
  std::string PreferencesDir() const override;
  std::string PhonebookDir() const override;
  std::string TempDir() const override;
};

// Every folder under one root (root/ApplicationSupport, root/Preferences, root/tmp), for tests.
class RootedFolders final : public Folders {
 public:
  explicit RootedFolders(std::string root) : root_(std::move(root)) {}
  std::string ApplicationSupportDir() const override { return root_ + "/ApplicationSupport"; }
  std::string PreferencesDir() const override { return root_ + "/Preferences"; }
  std::string PhonebookDir() const override { return ApplicationSupportDir() + "/NORVALEX/JPN/MFP_D-FAX"; }
  std::string TempDir() const override { return root_ + "/tmp"; }

 private:
  std::string root_;
};

}  // namespace nx::platform
