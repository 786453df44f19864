// What the stand-in print dialog hands to the print system: the job options (the settings
// ticket plus the PPD choices the panels made), as a CUPS option string or submitted with a
// document through cupsPrintFile.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace pdehost {

using JobOptionList = std::vector<std::pair<std::string, std::string>>;

// "name=value name=value ..." that cupsParseOptions reads back into the same pairs: spaces,
// quotes and backslashes in values are escaped with a backslash, an empty value is ''.
std::string FormatOptionString(const JobOptionList& options);

// The pairs of an option string (cupsParseOptions), in its order.
JobOptionList ParseOptionString(const std::string& text);

// Sends `file` to `queue` with the options fitted to the server (FitTicketToServer); the job id,
// or 0 with `*error` set. A ticket that cannot fit is not submitted. A job with a ticket goes
// with job-hold-until=no-hold unless the options hold it: it needs no completion.
int SubmitJob(const std::string& queue, const std::string& file, const std::string& title,
              const JobOptionList& options, std::string* error);

}  // namespace pdehost
