// The queue's PPD defaults; see QueuePpd.h.
#include "QueuePpd.h"

#include <cups/ppd.h>

namespace nx::filter {

std::string QueuePpdDefaultChoice(const FilterJob& job, const char* keyword) {
  if (!job.ppd || keyword == nullptr) return {};
  // The default is the PPD's own: marking the job's choices does not change it.
  const ppd_option_t* option = ppdFindOption(job.ppd.get(), keyword);
  return option != nullptr && option->defchoice[0] != 0 ? std::string(option->defchoice)
                                                        : std::string();
}

}  // namespace nx::filter
