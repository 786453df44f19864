#include "E2eSupport.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

extern char** environ;

namespace nx::e2e {

CommandResult RunCommand(const std::vector<std::string>& argv, const std::vector<std::string>& extra_env) {
  CommandResult result;
  if (argv.empty()) return result;

  std::vector<std::string> env_store;
  for (char** e = environ; *e; ++e) env_store.emplace_back(*e);
  for (const auto& add : extra_env) {
    const auto name = add.substr(0, add.find('=') + 1);
    std::erase_if(env_store, [&](const std::string& s) { return s.rfind(name, 0) == 0; });
    env_store.push_back(add);
  }
  std::vector<char*> envp;
  for (auto& s : env_store) envp.push_back(s.data());
  envp.push_back(nullptr);
  std::vector<std::string> arg_store(argv);
  std::vector<char*> args;
  for (auto& s : arg_store) args.push_back(s.data());
  args.push_back(nullptr);

  int pipe_fds[2];
  if (pipe2(pipe_fds, O_CLOEXEC) != 0) return result;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], 1);
  posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], 2);
  pid_t pid = -1;
  const int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  close(pipe_fds[1]);
  if (rc != 0) {
    close(pipe_fds[0]);
    result.output = std::string("cannot start ") + argv[0] + ": " + std::strerror(rc);
    return result;
  }
  char buf[4096];
  for (;;) {
    const ssize_t n = read(pipe_fds[0], buf, sizeof buf);
    if (n > 0) {
      result.output.append(buf, static_cast<std::size_t>(n));
    } else if (n == 0 || errno != EINTR) {
      break;
    }
  }
  close(pipe_fds[0]);
  int wstatus = 0;
  while (waitpid(pid, &wstatus, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(wstatus)) result.status = WEXITSTATUS(wstatus);
  return result;
}

std::string ReadFile(const std::string& path, bool* ok) {
  std::ifstream in(path, std::ios::binary);
  if (ok) *ok = static_cast<bool>(in);
  if (!in) return {};
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

bool WriteFile(const std::string& path, const std::string& data) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << data;
  out.close();
  return static_cast<bool>(out);
}

bool FileExists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

TempDir::TempDir(const std::string& prefix) {
  std::string templ = "/tmp/" + prefix + ".XXXXXX";
  if (mkdtemp(templ.data()) == nullptr) return;
  if (chmod(templ.c_str(), 0755) != 0) {
    rmdir(templ.c_str());
    return;
  }
  path_ = templ;
}

TempDir::~TempDir() {
  if (path_.empty()) return;
  if (const char* keep = std::getenv("NX_E2E_KEEP"); keep && *keep) return;
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::string JobFilterPath() {
  if (const char* other = std::getenv("NX_E2E_JOBFILTER"); other && *other) return other;
#ifdef NX_JOBFILTER_PATH
  return NX_JOBFILTER_PATH;
#else
  return {};
#endif
}

std::string SourcePath(const std::string& relative) {
  return std::string(NX_SOURCE_DIR) + "/" + relative;
}

}  // namespace nx::e2e
