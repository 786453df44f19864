// Login name, admin group membership and computer name on Linux; see identity.h.
#include "nx/platform/identity.h"

#include <grp.h>
#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
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

}  // namespace

std::optional<std::string> LinuxIdentity::LoginName() const {
  std::vector<char> buf(DbBufferSize(_SC_GETPW_R_SIZE_MAX));
  passwd pw{};
  passwd* found = nullptr;
  while (getpwuid_r(getuid(), &pw, buf.data(), buf.size(), &found) == ERANGE && buf.size() < (1u << 20))
    buf.resize(buf.size() * 2);
  if (!found || !found->pw_name || !*found->pw_name) return std::nullopt;
  return std::string(found->pw_name);
}

GroupMembership LinuxIdentity::AdminMembership(std::string_view user) const {
  if (user.empty()) return GroupMembership::kUserNotFound;
  const std::string name(user);

  std::vector<char> gbuf(DbBufferSize(_SC_GETGR_R_SIZE_MAX));
  group gr{};
  group* grp = nullptr;
  int rc;
  while ((rc = getgrnam_r(kAdminGroupName.data(), &gr, gbuf.data(), gbuf.size(), &grp)) == ERANGE &&
         gbuf.size() < (1u << 24))
    gbuf.resize(gbuf.size() * 2);
  if (!grp) return rc == 0 || rc == ENOENT ? GroupMembership::kGroupNotFound : GroupMembership::kLookupFailed;
  const gid_t admin_gid = grp->gr_gid;

  std::vector<char> pbuf(DbBufferSize(_SC_GETPW_R_SIZE_MAX));
  passwd pw{};
  passwd* found = nullptr;
  while ((rc = getpwnam_r(name.c_str(), &pw, pbuf.data(), pbuf.size(), &found)) == ERANGE &&
         pbuf.size() < (1u << 20))
    pbuf.resize(pbuf.size() * 2);
  if (!found) return rc == 0 || rc == ENOENT ? GroupMembership::kUserNotFound : GroupMembership::kLookupFailed;

  // getgrouplist reports every group of the user (primary included) across all databases.
  int count = 32;
  std::vector<gid_t> groups(static_cast<size_t>(count));
  for (int tries = 0; tries < 8; ++tries) {
    int n = count;
    if (getgrouplist(name.c_str(), found->pw_gid, groups.data(), &n) >= 0) {
      std::vector<unsigned> list(groups.begin(), groups.begin() + n);
      return GroupListContains(admin_gid, found->pw_gid, list) ? GroupMembership::kMember
                                                                : GroupMembership::kNotMember;
    }
    count = std::max(n, count * 2);
    groups.resize(static_cast<size_t>(count));
  }
  return GroupMembership::kLookupFailed;
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
