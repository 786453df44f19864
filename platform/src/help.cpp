// Help pages of a bundle; see help.h.
#include "nx/platform/help.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

extern char** environ;

namespace nx::platform {
namespace {

bool HasBook(const Bundle& bundle) {
  std::error_code ec;
  if (std::filesystem::is_directory(bundle.ResourcesDir() + "/Help", ec)) return true;
  for (const auto& entry : std::filesystem::directory_iterator(bundle.ResourcesDir(), ec)) {
    if (entry.path().extension() == ".lproj" && std::filesystem::is_directory(entry.path() / "Help", ec)) return true;
  }
  return false;
}

// Starts `launcher url` in the background through the shell, which exits at once: the
// launcher never becomes a zombie of the print dialog, and nothing is forked by hand in a
// process that may run threads.
int Launch(const std::string& launcher, const std::string& url) {
  const char* script = "\"$0\" \"$1\" </dev/null >/dev/null 2>&1 &";
  char* argv[] = {const_cast<char*>("sh"), const_cast<char*>("-c"), const_cast<char*>(script),
                  const_cast<char*>(launcher.c_str()), const_cast<char*>(url.c_str()), nullptr};
  pid_t pid;
  if (posix_spawn(&pid, "/bin/sh", nullptr, nullptr, argv, environ) != 0) return -1;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 0 : -1;
}

}  // namespace

std::string HelpPageUrl(const Bundle& bundle, std::string_view page, std::string_view anchor) {
  const std::string path = bundle.ResourcePath(page, {}, "Help");
  if (path.empty()) return {};
  std::string url = "file://" + path;
  if (!anchor.empty()) url += "#" + std::string(anchor);
  return url;
}

int DesktopHelp::RegisterBook(const Bundle& bundle) { return HasBook(bundle) ? 0 : kHelpNotFound; }

int DesktopHelp::OpenPage(const Bundle& bundle, std::string_view, std::string_view page, std::string_view anchor) {
  const std::string url = HelpPageUrl(bundle, page, anchor);
  if (url.empty()) return kHelpNotFound;
  return Launch(launcher_, url);
}

int RecordingHelp::RegisterBook(const Bundle& bundle) {
  if (!HasBook(bundle)) return kHelpNotFound;
  registered.push_back(bundle.Identifier());
  return 0;
}

int RecordingHelp::OpenPage(const Bundle& bundle, std::string_view book, std::string_view page,
                            std::string_view anchor) {
  std::string url = HelpPageUrl(bundle, page, anchor);
  if (url.empty()) return kHelpNotFound;
  opened.push_back(Request{std::string(book), std::string(page), std::string(anchor), std::move(url)});
  return 0;
}

}  // namespace nx::platform
