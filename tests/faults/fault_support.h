// Helpers of the fault tests: private folders, files, child processes and captured standard
// error.
#pragma once

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

namespace nx::faults {

// A fresh folder under TMPDIR (else /tmp), removed with everything in it.
class TempFolder {
 public:
  TempFolder() {
    const char* base = std::getenv("TMPDIR");
    std::string tmpl = std::string(base && *base ? base : "/tmp") + "/nxfaults.XXXXXX";
    if (::mkdtemp(tmpl.data()) != nullptr) path_ = tmpl;
  }
  ~TempFolder() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }
  // Names in the folder, sorted.
  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(path_, ec)) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

 private:
  std::string path_;
};

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

struct ChildResult {
  bool exited = false;
  int status = -1;
  bool signaled = false;
  int signal = 0;
  std::string Describe() const {
    if (exited) return "exited with " + std::to_string(status);
    if (signaled) return "killed by signal " + std::to_string(signal);
    return "did not run";
  }
};

// Runs `body` in a child process (its result is the exit status) and waits for it. The child
// ends with _exit, so nothing of the parent's state is flushed or destroyed twice.
inline ChildResult RunInChild(const std::function<int()>& body) {
  std::fflush(nullptr);
  const pid_t pid = ::fork();
  if (pid == 0) ::_exit(body());
  ChildResult result;
  if (pid < 0) return result;
  int raw = 0;
  while (::waitpid(pid, &raw, 0) < 0 && errno == EINTR) {
  }
  result.exited = WIFEXITED(raw);
  result.status = result.exited ? WEXITSTATUS(raw) : -1;
  result.signaled = WIFSIGNALED(raw);
  result.signal = result.signaled ? WTERMSIG(raw) : 0;
  return result;
}

// Everything written to file descriptor 2 while `fn` runs (C stdio and direct writes alike).
inline std::string CaptureStderr(const std::function<void()>& fn) {
  std::fflush(stderr);
  char path[] = "/tmp/nxfaults-stderr.XXXXXX";
  const int capture = ::mkstemp(path);
  if (capture < 0) return "<capture failed>";
  ::unlink(path);
  const int saved = ::dup(2);
  ::dup2(capture, 2);
  fn();
  std::fflush(stderr);
  ::dup2(saved, 2);
  ::close(saved);
  std::string text;
  char buffer[4096];
  ::lseek(capture, 0, SEEK_SET);
  for (ssize_t n; (n = ::read(capture, buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<std::size_t>(n));
  ::close(capture);
  return text;
}

}  // namespace nx::faults
