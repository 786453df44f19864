// Filter start-up shared by the filter's steps: locale and message language, the job's arguments
// and options, and the queue's PPD with the job options marked in it.
#pragma once

#include <cups/cups.h>
#include <cups/ppd.h>

#include <memory>
#include <string>

#include "nx/cups/ppd_file.h"
#include "nx/ticket/option_array.h"

namespace nx::filter {

using PpdHandle = nx::cups::PpdFilePtr;

// The job options (argument 5) as parsed by libcups.
using JobOptions = nx::ticket::OptionArray;

// What Initialize learnt about the job.
struct FilterContext {
  int job_id = 0;
  std::string user;   // argument 2, UTF-8 as given
  std::string title;  // argument 3, UTF-8 as given
  JobOptions options;
};

// Makes standard error unbuffered and, when APPLE_LANGUAGE (else LANG) is set, makes that language
// the process's one preferred language ("AppleLanguages") for the filter's messages and sets the
// process locale from the environment. Without either variable nothing changes.
void SetLocale();

// Checks the argument count (6 or 7, else the usage line on standard error), calls SetLocale, fills
// `context`, opens the PPD named by the PPD environment variable and marks its defaults and then
// the job options in it. Returns the PPD, or nullptr on failure.
[[nodiscard]] PpdHandle Initialize(int argc, char* argv[], FilterContext& context);

}  // namespace nx::filter
