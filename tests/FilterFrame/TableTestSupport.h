// Helpers of the module table tests: a job read from ticket options with fixed names, and the
// lines one table or the whole header writes for it.
#pragma once

#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "FaxSettingModule.h"
#include "TicketTestSupport.h"
#include "TpjlEngine.h"

namespace nx::filter::test {

// One ticket entry: a panel setting name (prefixed) or a whole key (containing a "." or "-").
struct Entry {
  std::string name;
  std::string value;
};
using Entries = std::vector<Entry>;

inline std::string OptionString(const Entries& entries) {
  std::string s;
  for (const Entry& e : entries) {
    if (!s.empty()) s += ' ';
    const bool whole = e.name.find_first_of(".-") != std::string::npos;
    s += (whole ? e.name : Key(e.name.c_str())) + "=" + e.value;
  }
  return s;
}

// Every byte of `text` in the byte-list form, as a panel stores a text it must escape.
inline std::string ByteList(const std::string& text) {
  std::string list;
  for (unsigned char c : text) list += "/" + std::to_string(c);
  return list;
}

// The names the main flow derives from the job and the host; fixed, so output does not depend on
// the machine.
struct JobNames {
  const char* user = "alice";
  const char* jbaUser = "alice";
  const char* document = "";
  const char* host = "mac1";
  const char* address = "IC0A8010A";
};

inline void SetNames(FilterJob& job, const JobNames& names) {
  std::snprintf(job.StdUserName, sizeof job.StdUserName, "%s", names.user);
  std::snprintf(job.StdJBAUserName, sizeof job.StdJBAUserName, "%s", names.jbaUser);
  std::snprintf(job.PTStdDocumentName, sizeof job.PTStdDocumentName, "%s", names.document);
  std::snprintf(job.HostNameStr, sizeof job.HostNameStr, "%s", names.host);
  std::snprintf(job.IPAddressStr, sizeof job.IPAddressStr, "%s", names.address);
}

// Reads every module of the ticket as GetTicketFromPDE does, with the fax module's system version
// and report stream given. Returns the fax module's result.
inline int ReadTicket(FilterJob& job, int systemVersion = 0x1000, std::FILE* err = nullptr) {
  CapturedStream sink;
  PrintTypeGetTicketFromPDE(job);
  JBAGetTicketFromPDE(job);
  FeaturesGetTicketFromPDE(job);
  SpecialPageGetTicketFromPDE(job);
  return DFaxSettingGetTicketFromPDE(job, systemVersion, err ? err : sink.get());
}

inline std::string TableLines(const FilterJob& job, CommandTable table) {
  CapturedStream out;
  OutputTPJLCommandFromArray(job, table, out.get());
  return out.Contents();
}

inline std::string Header(FilterJob& job) {
  CapturedStream out;
  OutputTPJLCommand(job, out.get());
  return out.Contents();
}

// Control bytes and quotes shown readably in failure messages.
inline std::string Visible(const std::string& bytes) {
  std::string s;
  for (unsigned char c : bytes) {
    if (c == '\r') {
      s += "<CR>";
    } else if (c == '\n') {
      s += "<LF>\n";
    } else if (c < 0x20 || c == 0x7F) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "<%02X>", c);
      s += hex;
    } else {
      s += static_cast<char>(c);
    }
  }
  return s;
}

}  // namespace nx::filter::test
