// Job options and submission; see JobOptions.h.
#include "pdehost/JobOptions.h"

#include "pdehost/JobTicket.h"

#include <cups/cups.h>

#include "nx/ticket/option_array.h"

namespace pdehost {

std::string FormatOptionString(const JobOptionList& options) {
  std::string out;
  for (const auto& [name, value] : options) {
    if (!out.empty()) out += ' ';
    out += name;
    out += '=';
    if (value.empty()) {
      out += "''";
      continue;
    }
    for (char c : value) {
      if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\'' || c == '"' || c == '\\' || c == '{' ||
          c == '}')
        out += '\\';
      out += c;
    }
  }
  return out;
}

JobOptionList ParseOptionString(const std::string& text) {
  const nx::ticket::OptionArray parsed(text.c_str());
  JobOptionList out;
  for (int i = 0; i < parsed.size(); ++i) out.emplace_back(parsed.name(i), parsed.value(i));
  return out;
}

int SubmitJob(const std::string& queue, const std::string& file, const std::string& title,
              const JobOptionList& options, std::string* error) {
  // A ticket the server cannot hand to its filters would make a job that never prints.
  JobOptionList fitted = options;
  std::string unfit;
  if (!FitTicketToServer(fitted, &unfit)) {
    if (error) *error = "cannot submit " + file + " to " + queue + ": " + unfit;
    return 0;
  }
  // A job that carries its ticket is complete: a fax queue that holds jobs for their recipients
  // (job-hold-until-default=indefinite) must not hold it, unless the user asked for a hold.
  bool has_ticket = false, has_hold = false;
  for (const auto& [name, value] : fitted) {
    has_ticket = has_ticket || name.starts_with(kTicketPrefix);
    has_hold = has_hold || name == "job-hold-until";
  }
  if (has_ticket && !has_hold) fitted.emplace_back("job-hold-until", "no-hold");
  nx::ticket::OptionArray job;
  for (const auto& [name, value] : fitted) {
    if (name.empty()) continue;  // the client library would drop it too
    if (!job.Add(name.c_str(), value.c_str())) {
      if (error) *error = "cannot submit " + file + " to " + queue + ": out of memory for the job options";
      return 0;
    }
  }
  const int id = cupsPrintFile2(CUPS_HTTP_DEFAULT, queue.c_str(), file.c_str(), title.c_str(), job.size(), job.data());
  if (id <= 0 && error) {
    const char* why = cupsLastErrorString();
    *error = std::string("cannot submit ") + file + " to " + queue + ": " + (why ? why : "unknown error");
  }
  return id > 0 ? id : 0;
}

}  // namespace pdehost
