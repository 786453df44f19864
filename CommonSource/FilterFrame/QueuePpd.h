// Default choices of the queue's PPD file, the file the environment variable PPD names.
#pragma once

#include <string>

namespace nx::filter {

// The default choice of option `keyword` in the queue's PPD file; empty without the variable, a
// readable PPD or the option. Outside a QueuePpdJobScope every call parses the file.
std::string QueuePpdDefaultChoice(const char* keyword);

// While one lives, the queue's PPD is parsed once for its defaults, however often a job asks
// (once per password, for one). The filter keeps one for the duration of a job; the file is
// read again in the next job, so a queue whose PPD changed is seen as it is now.
class QueuePpdJobScope {
 public:
  QueuePpdJobScope();
  ~QueuePpdJobScope();
  QueuePpdJobScope(const QueuePpdJobScope&) = delete;
  QueuePpdJobScope& operator=(const QueuePpdJobScope&) = delete;
};

}  // namespace nx::filter
