// Who is running: the login name, membership of the "admin" group, the computer's name.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nx::platform {

// The group whose members may change the device options (exact name).
inline constexpr std::string_view kAdminGroupName = "admin";

enum class GroupMembership {
  kMember,
  kNotMember,
  kGroupNotFound,  // no group of that name on this machine
  kUserNotFound,   // no such user
  kLookupFailed,   // the user or group database could not be read
};

class Identity {
 public:
  virtual ~Identity() = default;
  // Login name of the real user id; empty when it cannot be found.
  virtual std::optional<std::string> LoginName() const = 0;
  // Whether `user` belongs to the "admin" group, its primary group included.
  virtual GroupMembership AdminMembership(std::string_view user) const = 0;
  // The user-visible computer name: the pretty host name when set, else the host name.
  virtual std::string ComputerName() const = 0;

  bool IsAdmin(std::string_view user) const { return AdminMembership(user) == GroupMembership::kMember; }
};

class LinuxIdentity final : public Identity {
 public:
  // `machine_info` is the file that may hold PRETTY_HOSTNAME.
  explicit LinuxIdentity(std::string machine_info = "/etc/machine-info")
      : machine_info_(std::move(machine_info)) {}
  std::optional<std::string> LoginName() const override;
  GroupMembership AdminMembership(std::string_view user) const override;
  std::string ComputerName() const override;

 private:
  std::string machine_info_;
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

// Group test on explicit data, shared by the Linux identity and its tests: member when `gid`
// is the user's primary group or one of `supplementary`.
bool GroupListContains(unsigned gid, unsigned primary_gid, const std::vector<unsigned>& supplementary);

}  // namespace nx::platform
