// Login name, administrator test and computer name on Linux; see identity.h.
#include "nx/platform/identity.h"

#include <grp.h>
#include <pwd.h>
#include <strings.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "nx/platform/network.h"

namespace nx::platform {
namespace {

// Buffer size for the reentrant database calls.
size_t DbBufferSize(int which) {
  const long n = sysconf(which);
  return n > 0 ? static_cast<size_t>(n) : 16384;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }

// Blank-separated names; a name may be quoted with " or ' (CUPS accepts quoted group names).
void AppendNames(std::string_view value, std::vector<std::string>& out) {
  size_t i = 0;
  while (i < value.size()) {
    while (i < value.size() && (IsBlank(value[i]) || value[i] == ',')) ++i;
    if (i >= value.size()) break;
    std::string name;
    if (value[i] == '"' || value[i] == '\'') {
      const char quote = value[i++];
      while (i < value.size() && value[i] != quote) name.push_back(value[i++]);
      ++i;
    } else {
      while (i < value.size() && !IsBlank(value[i]) && value[i] != ',') name.push_back(value[i++]);
    }
    if (!name.empty() && std::find(out.begin(), out.end(), name) == out.end()) out.push_back(std::move(name));
  }
}

}  // namespace

// ---- Identity ----

GroupMembership Identity::CachedAdminMembership(std::string_view user, bool* first) const {
  std::lock_guard lock(cache_mutex_);
  if (auto it = cache_.find(user); it != cache_.end()) {
    if (first) *first = false;
    return it->second;
  }
  const GroupMembership answer = AdminMembership(user);
  cache_.emplace(std::string(user), answer);
  if (first) *first = true;
  return answer;
}

// ---- Account databases ----

std::optional<std::string> SystemAccountDatabase::CurrentUserName() const {
  std::vector<char> buf(DbBufferSize(_SC_GETPW_R_SIZE_MAX));
  passwd pw{};
  passwd* found = nullptr;
  while (getpwuid_r(getuid(), &pw, buf.data(), buf.size(), &found) == ERANGE && buf.size() < (1u << 20))
    buf.resize(buf.size() * 2);
  if (!found || !found->pw_name || !*found->pw_name) return std::nullopt;
  return std::string(found->pw_name);
}

AccountDatabase::Status SystemAccountDatabase::FindUser(const std::string& name, UserRecord* out) const {
  std::vector<char> buf(DbBufferSize(_SC_GETPW_R_SIZE_MAX));
  passwd pw{};
  passwd* found = nullptr;
  int rc;
  while ((rc = getpwnam_r(name.c_str(), &pw, buf.data(), buf.size(), &found)) == ERANGE && buf.size() < (1u << 20))
    buf.resize(buf.size() * 2);
  if (!found) return rc == 0 || rc == ENOENT ? Status::kNotFound : Status::kFailed;
  out->uid = found->pw_uid;
  out->gid = found->pw_gid;
  return Status::kFound;
}

AccountDatabase::Status SystemAccountDatabase::FindGroup(const std::string& name, unsigned* gid) const {
  std::vector<char> buf(DbBufferSize(_SC_GETGR_R_SIZE_MAX));
  group gr{};
  group* found = nullptr;
  int rc;
  while ((rc = getgrnam_r(name.c_str(), &gr, buf.data(), buf.size(), &found)) == ERANGE && buf.size() < (1u << 24))
    buf.resize(buf.size() * 2);
  if (!found) return rc == 0 || rc == ENOENT ? Status::kNotFound : Status::kFailed;
  *gid = found->gr_gid;
  return Status::kFound;
}

std::optional<std::vector<unsigned>> SystemAccountDatabase::GroupsOf(const std::string& name,
                                                                      unsigned primary_gid) const {
  // getgrouplist reports every group of the user (primary included) across all databases.
  int count = 32;
  std::vector<gid_t> groups(static_cast<size_t>(count));
  for (int tries = 0; tries < 8; ++tries) {
    int n = count;
    if (getgrouplist(name.c_str(), primary_gid, groups.data(), &n) >= 0)
      return std::vector<unsigned>(groups.begin(), groups.begin() + n);
    count = std::max(n, count * 2);
    groups.resize(static_cast<size_t>(count));
  }
  return std::nullopt;
}

std::optional<std::string> FixedAccountDatabase::CurrentUserName() const {
  if (broken_ || current_.empty()) return std::nullopt;
  return current_;
}

AccountDatabase::Status FixedAccountDatabase::FindUser(const std::string& name, UserRecord* out) const {
  if (broken_) return Status::kFailed;
  auto it = users_.find(name);
  if (it == users_.end()) return Status::kNotFound;
  out->uid = it->second.uid;
  out->gid = it->second.gid;
  return Status::kFound;
}

AccountDatabase::Status FixedAccountDatabase::FindGroup(const std::string& name, unsigned* gid) const {
  if (broken_) return Status::kFailed;
  auto it = groups_.find(name);
  if (it == groups_.end()) return Status::kNotFound;
  *gid = it->second;
  return Status::kFound;
}

std::optional<std::vector<unsigned>> FixedAccountDatabase::GroupsOf(const std::string& name,
                                                                     unsigned primary_gid) const {
  auto it = users_.find(name);
  if (broken_ || it == users_.end()) return std::nullopt;
  std::vector<unsigned> out{primary_gid};
  out.insert(out.end(), it->second.groups.begin(), it->second.groups.end());
  return out;
}

// ---- The print system's administrator groups ----

std::string DefaultCupsFilesConfPath() {
  // As libcups finds its server root (it exports no call for it): the environment, unless the
  // process runs with other rights than its user's.
  const char* root = getuid() == geteuid() && getgid() == getegid() ? std::getenv("CUPS_SERVERROOT") : nullptr;
  return std::string(root && *root ? root : "/etc/cups") + "/cups-files.conf";
}

std::vector<std::string> SystemGroupsFromCupsFilesConf(std::string_view text) {
  constexpr std::string_view kDirective = "SystemGroup";
  std::vector<std::string> groups;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    if (const size_t hash = line.find('#'); hash != std::string_view::npos) line = line.substr(0, hash);
    while (!line.empty() && IsBlank(line.front())) line.remove_prefix(1);
    if (line.size() <= kDirective.size() || !IsBlank(line[kDirective.size()]) ||
        strncasecmp(line.data(), kDirective.data(), kDirective.size()) != 0)
      continue;
    AppendNames(line.substr(kDirective.size()), groups);
  }
  return groups;
}

std::vector<std::string> ReadSystemGroups(const std::string& path) {
  std::vector<std::string> groups;
  std::ifstream in(path);
  if (in) {
    std::stringstream ss;
    ss << in.rdbuf();
    if (!in.bad()) groups = SystemGroupsFromCupsFilesConf(ss.str());
  }
  if (groups.empty()) AppendNames(kDefaultSystemGroups, groups);
  return groups;
}

// ---- LinuxIdentity ----

LinuxIdentity::LinuxIdentity(std::string machine_info, std::string cups_files_conf,
                             std::shared_ptr<const AccountDatabase> accounts)
    : machine_info_(std::move(machine_info)),
      cups_files_conf_(std::move(cups_files_conf)),
      accounts_(accounts ? std::move(accounts) : std::make_shared<SystemAccountDatabase>()) {}

std::optional<std::string> LinuxIdentity::LoginName() const { return accounts_->CurrentUserName(); }

GroupMembership LinuxIdentity::AdminMembership(std::string_view user) const {
  using Status = AccountDatabase::Status;
  if (user.empty()) return GroupMembership::kUserNotFound;
  const std::string name(user);
  AccountDatabase::UserRecord record;
  switch (accounts_->FindUser(name, &record)) {
    case Status::kFound: break;
    case Status::kNotFound: return GroupMembership::kUserNotFound;
    case Status::kFailed: return GroupMembership::kLookupFailed;
  }
  if (record.uid == 0) return GroupMembership::kMember;  // the print system always lets root administer

  std::vector<unsigned> admin_gids;
  bool failed = false;
  for (const std::string& group : ReadSystemGroups(cups_files_conf_)) {
    unsigned gid = 0;
    const Status found = accounts_->FindGroup(group, &gid);
    if (found == Status::kFound) admin_gids.push_back(gid);
    else if (found == Status::kFailed) failed = true;
  }
  if (admin_gids.empty()) return failed ? GroupMembership::kLookupFailed : GroupMembership::kGroupNotFound;

  const auto groups = accounts_->GroupsOf(name, record.gid);
  if (!groups) return GroupMembership::kLookupFailed;
  for (unsigned gid : admin_gids)
    if (GroupListContains(gid, record.gid, *groups)) return GroupMembership::kMember;
  return GroupMembership::kNotMember;
}

std::string LinuxIdentity::ComputerName() const {
  std::ifstream in(machine_info_);
  if (in) {
    std::stringstream ss;
    ss << in.rdbuf();
    std::string pretty = PrettyHostNameFromMachineInfo(ss.str());
    if (!pretty.empty()) return pretty;
  }
  return LocalHostName().value_or(std::string());
}

std::string PrettyHostNameFromMachineInfo(std::string_view text) {
  constexpr std::string_view kKey = "PRETTY_HOSTNAME=";
  std::string result;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
    if (line.substr(0, kKey.size()) != kKey) continue;
    line.remove_prefix(kKey.size());
    // Shell-style value: quoted parts lose their quotes, backslash escapes their next character.
    std::string value;
    char quote = 0;
    for (size_t i = 0; i < line.size(); ++i) {
      const char c = line[i];
      if (c == '\r') continue;
      if (quote == '\'') {
        if (c == '\'') quote = 0;
        else value.push_back(c);
      } else if (c == '\\' && i + 1 < line.size()) {
        value.push_back(line[++i]);
      } else if (quote == '"') {
        if (c == '"') quote = 0;
        else value.push_back(c);
      } else if (c == '"' || c == '\'') {
        quote = c;
      } else if (c == '#' && value.empty()) {
        break;
      } else {
        value.push_back(c);
      }
    }
    result = value;  // the last assignment wins, as in a shell
  }
  return result;
}

bool GroupListContains(unsigned gid, unsigned primary_gid, const std::vector<unsigned>& supplementary) {
  return gid == primary_gid || std::find(supplementary.begin(), supplementary.end(), gid) != supplementary.end();
}

}  // namespace nx::platform
