// Filter start-up; see FilterInit.h.
#include "FilterInit.h"

#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>

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

bool Initialize(int argc, char* argv[], FilterJob& job, std::FILE* err) {
  if (argc != 6 && argc != 7) {
    std::fprintf(err, "Usage: %s job user title copies options [filename]\n",
                 (argc > 0 && argv && argv[0]) ? argv[0] : "jobfilter");
    return false;
  }
  SetLocale();
  job.jobId = ParseJobId(argv[1]);
  job.user = argv[2] ? argv[2] : "";
  job.title = argv[3] ? argv[3] : "";
  if (argc == 7) {
    job.inputFile = argv[6] ? argv[6] : "";
  } else {
    job.inputFile.reset();
  }
  job.options = nx::ticket::OptionArray(argv[5]);

  OpenQueuePpd(job);
  return true;
}

void OpenQueuePpd(FilterJob& job) {
  job.ppd.reset();
  job.ppdFailure.clear();
  const char* ppd_path = NonEmptyEnv("PPD");
  if (!ppd_path) {
    job.ppdFailure = "DEBUG: No PPD file for this queue\n";
    return;
  }
  PpdHandle ppd = nx::cups::OpenPpdFile(ppd_path);
  if (!ppd) {
    int line = 0;
    const ppd_status_t status = ppdLastError(&line);
    job.ppdFailure = std::string("DEBUG: Unable to open PPD file \"") + ppd_path + "\" - " +
                     ppdErrorString(status) + " on line " + std::to_string(line) + "\n";
    return;
  }
  ppdMarkDefaults(ppd.get());
  cupsMarkOptions(ppd.get(), job.options.size(), job.options.data());
  job.ppd = std::move(ppd);
}

}  // namespace nx::filter
