// The queue's PPD defaults, parsed once per job; see QueuePpd.h.
#include "QueuePpd.h"

#include <cups/ppd.h>

#include <cstdlib>
#include <exception>
#include <mutex>
#include <string>

#include "FilterInit.h"

namespace nx::filter {
namespace {

struct JobCache {
  int scopes = 0;
  bool loaded = false;
  std::string path;
  PpdHandle ppd;  // null: the file did not parse
};

std::mutex gMutex;
JobCache gJob;

std::string DefaultChoice(ppd_file_t* ppd, const char* keyword) {
  if (ppd == nullptr) return {};
  const ppd_option_t* option = ppdFindOption(ppd, keyword);
  return option != nullptr ? std::string(option->defchoice) : std::string();
}

}  // namespace

std::string QueuePpdDefaultChoice(const char* keyword) {
  const char* path = std::getenv("PPD");
  if (path == nullptr || *path == 0 || keyword == nullptr) return {};
  try {
    const std::lock_guard<std::mutex> lock(gMutex);
    if (gJob.scopes == 0) return DefaultChoice(PpdHandle(ppdOpenFile(path)).get(), keyword);
    if (!gJob.loaded || gJob.path != path) {
      gJob.ppd.reset(ppdOpenFile(path));
      gJob.path = path;
      gJob.loaded = true;
    }
    return DefaultChoice(gJob.ppd.get(), keyword);
  } catch (const std::exception&) {  // out of memory: as without the file
    return {};
  }
}

QueuePpdJobScope::QueuePpdJobScope() {
  const std::lock_guard<std::mutex> lock(gMutex);
  ++gJob.scopes;
}

QueuePpdJobScope::~QueuePpdJobScope() {
  const std::lock_guard<std::mutex> lock(gMutex);
  if (--gJob.scopes > 0) return;
  gJob.ppd.reset();
  gJob.path.clear();
  gJob.loaded = false;
}

}  // namespace nx::filter
