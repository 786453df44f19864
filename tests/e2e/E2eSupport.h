// Small helpers of the end-to-end tests: running the system's programs, files, temporary folders.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace nx::e2e {

// What a program printed (standard output and standard error together) and how it ended.
struct CommandResult {
  int status = -1;  // exit status, or -1 when it could not start or was killed by a signal
  std::string output;
};

// Runs argv[0] (looked up in PATH) with the extra environment entries ("NAME=value") added to
// this process's environment, standard input from /dev/null. Never throws.
CommandResult RunCommand(const std::vector<std::string>& argv,
                  const std::vector<std::string>& extra_env = {});

// Whole file, or empty with *ok false when it cannot be read.
std::string ReadFile(const std::string& path, bool* ok = nullptr);
[[nodiscard]] bool WriteFile(const std::string& path, const std::string& data);
bool FileExists(const std::string& path);

// A fresh folder under /tmp (mode 0755, so that the print system's user lp can pass through),
// removed with everything in it when the object goes, unless NX_E2E_KEEP is set.
class TempDir {
 public:
  explicit TempDir(const std::string& prefix);
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  bool ok() const { return !path_.empty(); }

 private:
  std::string path_;
};

// Where the build put the filter program (NX_E2E_JOBFILTER overrides it, to try the harness with
// a stand-in); empty when this build has none.
std::string JobFilterPath();
// The source tree's files.
std::string SourcePath(const std::string& relative);

}  // namespace nx::e2e
