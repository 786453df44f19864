// The start of a job: locale and message language, the job's arguments and options, and the
// queue's PPD with the job options marked in it, all set up once in the job object.
#pragma once

#include <cups/cups.h>
#include <cups/ppd.h>

#include <cstdio>

#include "FilterJob.h"
#include "nx/cups/ppd_file.h"

namespace nx::filter {

using PpdHandle = nx::cups::PpdFilePtr;

// Makes standard error unbuffered and, when APPLE_LANGUAGE (else LANG) is set, makes that language
// the process's one preferred language ("AppleLanguages") for the filter's messages and sets the
// process locale from the environment. Without either variable nothing changes.
void SetLocale();

// Opens the PPD named by the PPD environment variable into job.ppd and marks its defaults and then
// job.options in it; without a usable PPD, job.ppd is null and job.ppdFailure holds the DEBUG
// line that says why. Part of Initialize.
void OpenQueuePpd(FilterJob& job);

// The start of a job, run once: checks the argument count (6 or 7, else the usage line on `err`
// and false), calls SetLocale, fills the job's arguments (number, user, title, input file),
// parses the job options (argument 5) into job.options, and opens the PPD named by the PPD
// environment variable and marks its defaults and then the job options in it. Without a usable
// PPD, job.ppd stays null and job.ppdFailure holds the DEBUG line that says why; the document
// step, which needs the PPD, reports it. True when the arguments were taken.
[[nodiscard]] bool Initialize(int argc, char* argv[], FilterJob& job, std::FILE* err = stderr);

}  // namespace nx::filter
