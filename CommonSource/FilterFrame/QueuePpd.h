// Default choices of the queue's PPD file, the one the job opened at its start.
#pragma once

#include <string>

#include "FilterJob.h"

namespace nx::filter {

// The default choice of option `keyword` in the job's PPD; empty without a usable PPD or the
// option.
std::string QueuePpdDefaultChoice(const FilterJob& job, const char* keyword);

}  // namespace nx::filter
