// Who is running: the login name, whether the user administers printers, the computer's name.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nx::platform {

// The groups whose members administer printers when the print system's cups-files.conf cannot
// be read or names none: Debian's own setting.
inline constexpr std::string_view kDefaultSystemGroups = "lpadmin sys root";

enum class GroupMembership {
  kMember,
  kNotMember,
  kGroupNotFound,  // none of the administrator groups exists on this machine
  kUserNotFound,   // no such user
  kLookupFailed,   // the user or group database could not be read
};

class Identity {
 public:
  virtual ~Identity() = default;
  // Login name of the real user id; empty when it cannot be found.
  virtual std::optional<std::string> LoginName() const = 0;
  // Whether `user` administers printers: root, or a member (primary group included) of a group
  // that the print system's SystemGroup names.
  virtual GroupMembership AdminMembership(std::string_view user) const = 0;
  // The user-visible computer name: the pretty host name when set, else the host name.
  virtual std::string ComputerName() const = 0;

  // AdminMembership asked once per user for the life of this object (a dialog asks at every
  // control it sets up; neither the databases nor the print system's groups change under it).
  // `first`, when given, tells whether this call asked.
  GroupMembership CachedAdminMembership(std::string_view user, bool* first = nullptr) const;
  bool IsAdmin(std::string_view user) const { return CachedAdminMembership(user) == GroupMembership::kMember; }

 private:
  mutable std::mutex cache_mutex_;
  mutable std::map<std::string, GroupMembership, std::less<>> cache_;
};

// The user and group databases, as far as the administrator test reads them.
class AccountDatabase {
 public:
  enum class Status { kFound, kNotFound, kFailed };
  struct UserRecord {
    unsigned uid = 0;
    unsigned gid = 0;  // primary group
  };
  virtual ~AccountDatabase() = default;
  // Name of the real user id of the process.
  virtual std::optional<std::string> CurrentUserName() const = 0;
  virtual Status FindUser(const std::string& name, UserRecord* out) const = 0;
  virtual Status FindGroup(const std::string& name, unsigned* gid) const = 0;
  // Every group of the user, `primary_gid` included; empty when the list cannot be read.
  virtual std::optional<std::vector<unsigned>> GroupsOf(const std::string& name, unsigned primary_gid) const = 0;
};

// getpwuid_r, getpwnam_r, getgrnam_r and getgrouplist: every database the system is set up with.
class SystemAccountDatabase final : public AccountDatabase {
 public:
  std::optional<std::string> CurrentUserName() const override;
  Status FindUser(const std::string& name, UserRecord* out) const override;
  Status FindGroup(const std::string& name, unsigned* gid) const override;
  std::optional<std::vector<unsigned>> GroupsOf(const std::string& name, unsigned primary_gid) const override;
};

// Fixed users and groups, for tests.
class FixedAccountDatabase final : public AccountDatabase {
 public:
  struct User {
    unsigned uid = 1000;
    unsigned gid = 1000;
    std::vector<unsigned> groups;  // supplementary
  };
  FixedAccountDatabase(std::string current, std::map<std::string, User, std::less<>> users,
                       std::map<std::string, unsigned, std::less<>> groups)
      : current_(std::move(current)), users_(std::move(users)), groups_(std::move(groups)) {}
  // Every look-up fails from now on.
  void Break() { broken_ = true; }

  std::optional<std::string> CurrentUserName() const override;
  Status FindUser(const std::string& name, UserRecord* out) const override;
  Status FindGroup(const std::string& name, unsigned* gid) const override;
  std::optional<std::vector<unsigned>> GroupsOf(const std::string& name, unsigned primary_gid) const override;

 private:
  std::string current_;
  std::map<std::string, User, std::less<>> users_;
  std::map<std::string, unsigned, std::less<>> groups_;
  bool broken_ = false;
};

// The print system's cups-files.conf in its server root: CUPS_SERVERROOT as libcups takes it,
// else /etc/cups.
std::string DefaultCupsFilesConfPath();

class LinuxIdentity final : public Identity {
 public:
  // `machine_info` is the file that may hold PRETTY_HOSTNAME; `cups_files_conf` the print
  // system's file that names the administrator groups; `accounts` the user and group databases
  // (the system's when null).
  explicit LinuxIdentity(std::string machine_info = "/etc/machine-info",
                         std::string cups_files_conf = DefaultCupsFilesConfPath(),
                         std::shared_ptr<const AccountDatabase> accounts = nullptr);
  std::optional<std::string> LoginName() const override;
  GroupMembership AdminMembership(std::string_view user) const override;
  std::string ComputerName() const override;

 private:
  std::string machine_info_;
  std::string cups_files_conf_;
  std::shared_ptr<const AccountDatabase> accounts_;
};

class FixedIdentity final : public Identity {
 public:
  FixedIdentity(std::string login, bool admin, std::string computer = "computer")
      : login_(std::move(login)), admin_(admin), computer_(std::move(computer)) {}
  std::optional<std::string> LoginName() const override {
    if (login_.empty()) return std::nullopt;
    return login_;
  }
  GroupMembership AdminMembership(std::string_view user) const override {
    if (user.empty()) return GroupMembership::kUserNotFound;
    return admin_ && user == login_ ? GroupMembership::kMember : GroupMembership::kNotMember;
  }
  std::string ComputerName() const override { return computer_; }

 private:
  std::string login_;
  bool admin_;
  std::string computer_;
};

// The PRETTY_HOSTNAME value of a machine-info text (shell-style assignment, quotes and
// backslash escapes removed); empty when absent.
std::string PrettyHostNameFromMachineInfo(std::string_view text);

// The group names of every SystemGroup line of a cups-files.conf text, in order, each once
// (directive names are case-insensitive, "#" starts a comment, names are separated by blanks
// and may be quoted); empty when there is none.
std::vector<std::string> SystemGroupsFromCupsFilesConf(std::string_view text);

// The administrator groups of the print system: those the file at `path` names, else (no such
// line, or the file cannot be read: on Debian only root and lp may read it) kDefaultSystemGroups.
std::vector<std::string> ReadSystemGroups(const std::string& path);

// Group test on explicit data, shared by the Linux identity and its tests: member when `gid`
// is the user's primary group or one of `supplementary`.
bool GroupListContains(unsigned gid, unsigned primary_gid, const std::vector<unsigned>& supplementary);

}  // namespace nx::platform
