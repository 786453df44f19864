// Filter start-up; see FilterInit.h.
#include "FilterInit.h"

#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstdlib>

#include "FilterLog.h"

namespace nx::filter {
namespace {

const char* NonEmptyEnv(const char* name) {
  const char* value = std::getenv(name);
  return (value && *value) ? value : nullptr;
}

// The job number of argument 1; 0 when it is not a number.
int ParseJobId(const char* text) {
  if (!text) return 0;
  errno = 0;
  char* end = nullptr;
  const long value = std::strtol(text, &end, 10);
  if (errno != 0 || end == text || *end != '\0' || value < 0 || value > 0x7fffffff) return 0;
  return static_cast<int>(value);
}

}  // namespace

void SetLocale() {
  std::setvbuf(stderr, nullptr, _IONBF, 0);
  const char* language = NonEmptyEnv("APPLE_LANGUAGE");
  if (!language) language = NonEmptyEnv("LANG");
  if (!language) return;
  // The language list only steers this process's messages, so it is kept for the process rather
  // than written to a preference file (the filter runs as the print system's user).
  FilterSetLanguages({language});
  std::setlocale(LC_ALL, "");
}

PpdHandle Initialize(int argc, char* argv[], FilterContext& context) {
  if (argc != 6 && argc != 7) {
    std::fprintf(stderr, "Usage: %s job user title copies options [filename]\n",
                 (argc > 0 && argv && argv[0]) ? argv[0] : "jobfilter");
    return nullptr;
  }
  SetLocale();
  context.job_id = ParseJobId(argv[1]);
  context.user = argv[2] ? argv[2] : "";
  context.title = argv[3] ? argv[3] : "";
  context.options = JobOptions(argv[5]);

  const char* ppd_path = NonEmptyEnv("PPD");
  if (!ppd_path) {
    std::fputs("DEBUG: No PPD file for this queue\n", stderr);
    return nullptr;
  }
  PpdHandle ppd(ppdOpenFile(ppd_path));
  if (!ppd) {
    int line = 0;
    const ppd_status_t status = ppdLastError(&line);
    std::fprintf(stderr, "DEBUG: Unable to open PPD file \"%s\" - %s on line %d\n", ppd_path,
                 ppdErrorString(status), line);
    return nullptr;
  }
  ppdMarkDefaults(ppd.get());
  cupsMarkOptions(ppd.get(), context.options.size(), context.options.data());
  return ppd;
}

}  // namespace nx::filter
