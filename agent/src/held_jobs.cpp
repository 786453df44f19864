// Held jobs over the local server's domain socket; see held_jobs.h.
#include "nx/heldjobs/held_jobs.h"

#include <fcntl.h>
#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <set>
#include <thread>

#include "nx/ticket/keys.h"
#include "pdehost/JobTicket.h"

namespace nx::heldjobs {
namespace {

using namespace std::chrono_literals;

struct IppDelete {
  void operator()(ipp_t* i) const { ippDelete(i); }
};
using IppPtr = std::unique_ptr<ipp_t, IppDelete>;

constexpr char kSystemSocket[] = "/run/cups/cups.sock";
constexpr char kMaker[] = "Norvalex ";

// The login name of the real user: what the server compares with the peer credentials.
std::string LoginName() {
  const passwd* pw = getpwuid(getuid());
  return pw && pw->pw_name ? pw->pw_name : std::to_string(getuid());
}

std::string JobUri(int id) { return "ipp://localhost/jobs/" + std::to_string(id); }

bool IsTicketKey(std::string_view key) { return key.starts_with(nx::ticket::kTicketKeyPrefix); }

// Attributes the server keeps about a job that are not options of it.
bool IsJobStatus(std::string_view name) {
  static const std::set<std::string_view> kStatus = {"job-id",
                                                     "job-uri",
                                                     "job-uuid",
                                                     "job-state",
                                                     "job-state-reasons",
                                                     "job-state-message",
                                                     "job-printer-uri",
                                                     "job-printer-up-time",
                                                     "job-printer-state-message",
                                                     "job-printer-state-reasons",
                                                     "job-more-info",
                                                     "job-k-octets",
                                                     "number-of-documents",
                                                     "number-of-intervening-jobs",
                                                     "job-impressions-completed",
                                                     "job-media-sheets-completed",
                                                     "job-pages-completed"};
  return kStatus.contains(name) || name.starts_with("time-at-") ||
         name.starts_with("date-time-at-");
}

std::string Value(ipp_attribute_t* a) {
  if (ippGetValueTag(a) == IPP_TAG_BEGIN_COLLECTION) return {};
  if (ippGetCount(a) == 1) {
    switch (ippGetValueTag(a)) {
      case IPP_TAG_TEXT:
      case IPP_TAG_NAME:
      case IPP_TAG_KEYWORD:
      case IPP_TAG_URI:
      case IPP_TAG_MIMETYPE:
      case IPP_TAG_TEXTLANG:
      case IPP_TAG_NAMELANG: {
        const char* s = ippGetString(a, 0, nullptr);
        return s ? s : "";
      }
      default:
        break;
    }
  }
  // Numbers, enums, several values: the server's own text form.
  const size_t n = ippAttributeString(a, nullptr, 0);
  std::string s(n, '\0');
  ippAttributeString(a, s.data(), n + 1);
  return s;
}

// One job of a response, from `a` to the next separator; `a` is left on that separator.
JobDetails ReadJob(ipp_t* response, ipp_attribute_t*& a) {
  JobDetails d;
  for (; a && ippGetGroupTag(a) == IPP_TAG_JOB; a = ippNextAttribute(response)) {
    const char* n = ippGetName(a);
    if (!n) break;
    const std::string_view name(n);
    if (name == "job-id")
      d.job.id = ippGetInteger(a, 0);
    else if (name == "job-uri")
      d.job.uri = Value(a);
    else if (name == "job-name")
      d.job.name = Value(a);
    else if (name == "job-originating-user-name")
      d.job.user = Value(a);
    else if (name == "job-hold-until")
      d.job.hold_until = Value(a);
    else if (name == "job-state")
      d.job.state = ippGetInteger(a, 0);
    else if (name == "number-of-documents")
      d.job.documents = ippGetInteger(a, 0);
    else if (name == "time-at-creation")
      d.job.created = ippGetInteger(a, 0);
    else if (name == "job-printer-uri") {
      const std::string uri = Value(a);
      const size_t p = uri.rfind("/printers/");
      if (p != std::string::npos) d.job.queue = uri.substr(p + 10);
    }
    // The server keeps an attribute deleted with Set-Job-Attributes as an out-of-band value
    // ("delete-attribute"), which reaches the filter as an empty value: for us it is gone.
    if (ippGetValueTag(a) < IPP_TAG_INTEGER) continue;
    if (IsTicketKey(name)) d.job.has_ticket = true;
    if (!IsJobStatus(name) && ippGetValueTag(a) != IPP_TAG_BEGIN_COLLECTION) {
      d.options.emplace_back(n, Value(a));
      d.value_tags[n] = ippGetValueTag(a);
    }
  }
  return d;
}

bool PrintableAscii(std::string_view s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return c >= 0x20 && c <= 0x7E; });
}

bool HasControlBytes(std::string_view s) {
  return std::any_of(s.begin(), s.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

bool IsTimedHold(const std::string& hold) {
  return !hold.empty() && hold != "indefinite" && hold != "no-hold";
}

}  // namespace

int JobIdFromUri(const std::string& uri) {
  const size_t p = uri.rfind("/jobs/");
  if (p == std::string::npos) return 0;
  const std::string digits = uri.substr(p + 6);
  if (digits.empty() || digits.size() > 9 || !std::all_of(digits.begin(), digits.end(), ::isdigit))
    return 0;
  return std::stoi(digits);
}

bool TypeTicketValues(OptionList& ticket, std::string* error) {
  for (auto& [key, value] : ticket) {
    if (value.starts_with('{') || HasControlBytes(value)) value = pdehost::ByteList(value);
    if (value.size() <= kMaxTextValue) continue;
    const auto text = pdehost::DecodeByteList(value);
    if (text && !text->empty() && text->size() <= kMaxTextValue && PrintableAscii(*text) &&
        text->front() != '/' && text->front() != '{') {
      value = *text;
      continue;
    }
    if (error) {
      *error = "the value of " + key + " takes " + std::to_string(value.size()) +
               " bytes; the print server stores at most " + std::to_string(kMaxTextValue) +
               " in a held job";
    }
    return false;
  }
  return true;
}

std::unique_ptr<LocalServer> LocalServer::Connect(std::string* error) {
  const char* configured = cupsServer();
  std::string path = configured && configured[0] == '/' ? configured : kSystemSocket;
  return ConnectSocket(path, error);
}

std::unique_ptr<LocalServer> LocalServer::ConnectSocket(const std::string& socket_path,
                                                        std::string* error) {
  http_t* http = httpConnect2(socket_path.c_str(), 0, nullptr, AF_LOCAL, HTTP_ENCRYPTION_NEVER, 1,
                              10000, nullptr);
  if (!http) {
    if (error) *error = "cannot reach the print server at " + socket_path;
    return nullptr;
  }
  // Peer credentials: the server checks the name against the socket's other end, and a job's
  // owner is recognised for the operations the fax queues' policy authenticates.
  httpSetAuthString(http, "PeerCred", LoginName().c_str());
  return std::unique_ptr<LocalServer>(new LocalServer(http, socket_path));
}

LocalServer::~LocalServer() { httpClose(http_); }

namespace {

ipp_t* NewRequest(ipp_op_t op) {
  ipp_t* r = ippNewRequest(op);
  ippAddString(r, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr,
               LoginName().c_str());
  return r;
}

ipp_t* NewJobRequest(ipp_op_t op, int job_id) {
  ipp_t* r = ippNewRequest(op);
  ippAddString(r, IPP_TAG_OPERATION, IPP_TAG_URI, "job-uri", nullptr, JobUri(job_id).c_str());
  ippAddString(r, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr,
               LoginName().c_str());
  return r;
}

bool Ok() { return cupsLastError() <= IPP_STATUS_OK_EVENTS_COMPLETE; }

std::string LastError() {
  const char* s = cupsLastErrorString();
  return std::string(ippErrorString(cupsLastError())) + (s ? std::string(" (") + s + ")" : "");
}

}  // namespace

bool LocalServer::OurQueues(std::vector<std::string>* queues, std::string* error) {
  ipp_t* request = NewRequest(IPP_OP_CUPS_GET_PRINTERS);
  static const char* const kWanted[] = {"printer-name", "printer-make-and-model"};
  ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", 2, nullptr,
                kWanted);
  IppPtr response(cupsDoRequest(http_, request, "/"));
  queues->clear();
  if (!response || !Ok()) {
    if (cupsLastError() == IPP_STATUS_ERROR_NOT_FOUND) return true;  // no queues at all
    if (error) *error = "cannot list the queues: " + LastError();
    return false;
  }
  std::string name, model;
  auto flush = [&] {
    if (!name.empty() && model.starts_with(kMaker)) queues->push_back(name);
    name.clear();
    model.clear();
  };
  for (ipp_attribute_t* a = ippFirstAttribute(response.get()); a;
       a = ippNextAttribute(response.get())) {
    if (!ippGetName(a)) {
      flush();
      continue;
    }
    if (std::string_view(ippGetName(a)) == "printer-name") name = Value(a);
    if (std::string_view(ippGetName(a)) == "printer-make-and-model") model = Value(a);
  }
  flush();
  return true;
}

bool LocalServer::ListHeldJobs(std::vector<HeldJob>* jobs, std::string* error) {
  jobs->clear();
  std::vector<std::string> queues;
  if (!OurQueues(&queues, error)) return false;
  if (queues.empty()) return true;
  ipp_t* request = NewRequest(IPP_OP_GET_JOBS);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, "ipp://localhost/");
  ippAddBoolean(request, IPP_TAG_OPERATION, "my-jobs", 1);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "which-jobs", nullptr, "not-completed");
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr, "all");
  IppPtr response(cupsDoRequest(http_, request, "/"));
  if (!response || !Ok()) {
    if (cupsLastError() == IPP_STATUS_ERROR_NOT_FOUND) return true;
    if (error) *error = "cannot list the jobs: " + LastError();
    return false;
  }
  const std::string me = LoginName();
  for (ipp_attribute_t* a = ippFirstAttribute(response.get()); a;) {
    if (ippGetGroupTag(a) != IPP_TAG_JOB) {
      a = ippNextAttribute(response.get());
      continue;
    }
    JobDetails d = ReadJob(response.get(), a);
    if (d.job.state == IPP_JSTATE_HELD && d.job.user == me &&
        std::find(queues.begin(), queues.end(), d.job.queue) != queues.end()) {
      jobs->push_back(std::move(d.job));
    }
  }
  std::sort(jobs->begin(), jobs->end(),
            [](const HeldJob& x, const HeldJob& y) { return x.id < y.id; });
  return true;
}

bool LocalServer::GetJob(int job_id, JobDetails* details, std::string* error) {
  ipp_t* request = NewJobRequest(IPP_OP_GET_JOB_ATTRIBUTES, job_id);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr, "all");
  IppPtr response(cupsDoRequest(http_, request, "/"));
  if (!response || !Ok()) {
    if (error) *error = "cannot read job " + std::to_string(job_id) + ": " + LastError();
    return false;
  }
  ipp_attribute_t* a = ippFirstAttribute(response.get());
  while (a && ippGetGroupTag(a) != IPP_TAG_JOB) a = ippNextAttribute(response.get());
  *details = ReadJob(response.get(), a);
  if (details->job.user != LoginName()) {
    if (error) *error = "job " + std::to_string(job_id) + " is not yours";
    return false;
  }
  return true;
}

bool LocalServer::Cancel(int job_id, std::string* error) {
  IppPtr response(cupsDoRequest(http_, NewJobRequest(IPP_OP_CANCEL_JOB, job_id), "/"));
  if (!Ok()) {
    if (error) *error = "cannot cancel job " + std::to_string(job_id) + ": " + LastError();
    return false;
  }
  return true;
}

bool LocalServer::GetDocument(int job_id, const std::string& path, std::string* error) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) {
    if (error) *error = "cannot create " + path + ": " + std::strerror(errno);
    return false;
  }
  ipp_t* request = NewJobRequest(IPP_OP_CUPS_GET_DOCUMENT, job_id);
  ippAddInteger(request, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "document-number", 1);
  IppPtr response(cupsDoIORequest(http_, request, "/", -1, fd));
  const bool written = close(fd) == 0;
  if (!response || !Ok() || !written) {
    if (error)
      *error = "cannot read the document of job " + std::to_string(job_id) + ": " +
               (written ? LastError() : std::string("write failed"));
    unlink(path.c_str());
    return false;
  }
  return true;
}

OptionList DialogOptions(const OptionList& job_options) {
  OptionList out;
  for (const auto& [k, v] : job_options) {
    if (k.starts_with("NX") || k == "PageSize" || k == "media" || k == "job-sheets" ||
        IsTicketKey(k))
      out.emplace_back(k, v);
  }
  return out;
}

void SplitDialogOptions(const OptionList& dialog_options,
                        const std::function<bool(const std::string&)>& is_queue_option,
                        OptionList* ticket, CompleteOptions* options) {
  for (const auto& [k, v] : dialog_options) {
    if (k == "job-hold-until")
      options->hold_until = v;
    else if (IsTicketKey(k) || (is_queue_option && is_queue_option(k)))
      ticket->emplace_back(k, v);
  }
}

CompletionResult LocalServer::Complete(int job_id, const OptionList& ticket,
                                       const CompleteOptions& options) {
  const std::string job = "job " + std::to_string(job_id);
  JobDetails before;
  std::string why;
  if (!GetJob(job_id, &before, &why)) return {Completion::kFailed, why};
  if (before.job.state != IPP_JSTATE_HELD) return {Completion::kFailed, job + " is not held"};

  // Fitted together with what the job has: the server passes both to its filters in one argument.
  OptionList combined;
  std::set<std::string> new_keys;
  for (const auto& [k, v] : ticket) new_keys.insert(k);
  for (const auto& o : before.options) {
    if (!new_keys.contains(o.first)) combined.push_back(o);
  }
  const size_t first_new = combined.size();
  combined.insert(combined.end(), ticket.begin(), ticket.end());
  if (!pdehost::FitTicketToServer(combined, &why)) return {Completion::kRefused, job + ": " + why};
  OptionList update(combined.begin() + static_cast<std::ptrdiff_t>(first_new), combined.end());
  if (!TypeTicketValues(update, &why)) return {Completion::kRefused, job + ": " + why};

  const std::string hold = !options.hold_until.empty() ? options.hold_until : before.job.hold_until;
  const bool timed = IsTimedHold(hold);

  // A value goes in the type the job keeps it in (a keyword stays a keyword), a new one as text.
  auto tag_of = [&](const std::string& key) {
    const auto it = before.value_tags.find(key);
    if (it == before.value_tags.end()) return IPP_TAG_TEXT;
    switch (it->second) {
      case IPP_TAG_NAME:
      case IPP_TAG_NAMELANG:
        return IPP_TAG_NAME;
      case IPP_TAG_KEYWORD:
        return IPP_TAG_KEYWORD;
      case IPP_TAG_TEXT:
      case IPP_TAG_TEXTLANG:
        return IPP_TAG_TEXT;
      default:
        return IPP_TAG_ZERO;  // a number, date, range: not for a ticket
    }
  };
  for (const auto& [k, v] : update) {
    if (tag_of(k) == IPP_TAG_ZERO)
      return {Completion::kRefused, job + ": " + k + " is not a text attribute of the job"};
  }
  // Values to set; `remove` names attributes to delete in the same request.
  auto send = [&](const OptionList& values, const std::vector<std::string>& remove) {
    ipp_t* request = NewJobRequest(IPP_OP_SET_JOB_ATTRIBUTES, job_id);
    for (const auto& [k, v] : values)
      ippAddString(request, IPP_TAG_JOB, tag_of(k), k.c_str(), nullptr, v.c_str());
    for (const auto& k : remove)
      ippAddOutOfBand(request, IPP_TAG_JOB, IPP_TAG_DELETEATTR, k.c_str());
    IppPtr response(cupsDoRequest(http_, request, "/"));
    return Ok();
  };
  // The first entry the server does not hold as sent, or empty.
  auto missing = [&](std::string* problem) -> std::string {
    JobDetails now;
    if (!GetJob(job_id, &now, problem)) return "?";
    std::map<std::string, std::string> stored(now.options.begin(), now.options.end());
    for (const auto& [k, v] : update) {
      const auto it = stored.find(k);
      if (it == stored.end() || it->second != v) return k;
    }
    return {};
  };
  // A refused request leaves the entries before the bad one stored: put back what the job had,
  // so that it stays a job without a ticket (or with its old one) and is offered again.
  auto roll_back = [&] {
    JobDetails now;
    std::string ignored;
    if (!GetJob(job_id, &now, &ignored)) return false;
    std::map<std::string, std::string> had(before.options.begin(), before.options.end());
    std::map<std::string, std::string> has(now.options.begin(), now.options.end());
    OptionList restore;
    std::vector<std::string> remove;
    for (const auto& [k, v] : update) {
      const auto was = had.find(k), is = has.find(k);
      if (is == has.end() || (was != had.end() && was->second == is->second))
        continue;  // untouched
      if (was == had.end())
        remove.push_back(k);
      else
        restore.emplace_back(k, was->second);
    }
    return (restore.empty() && remove.empty()) || send(restore, remove);
  };

  std::string first_missing;
  bool accepted = false;
  for (int attempt = 0; attempt < 2; ++attempt) {
    accepted = send(update, {});
    why.clear();
    first_missing = missing(&why);
    if (first_missing == "?") return {Completion::kFailed, why};
    if (accepted && first_missing.empty()) break;
  }
  if (!accepted || !first_missing.empty()) {
    const std::string server_said = LastError();
    const std::string left = roll_back() ? "" : "; what it stored could not be taken back";
    if (!accepted)
      return {Completion::kRefused,
              job + ": the print server refused the ticket: " + server_said + left};
    return {Completion::kNotStored,
            job + ": the print server did not store " + first_missing + left};
  }

  // Released before its document has arrived, a job is aborted for having no files.
  const auto until = std::chrono::steady_clock::now() + options.document_wait;
  for (JobDetails now = before; now.job.documents < 1;) {
    if (std::chrono::steady_clock::now() >= until)
      return {Completion::kNoDocument,
              job + ": its document has not arrived; the ticket is stored and the job held"};
    std::this_thread::sleep_for(100ms);
    if (!GetJob(job_id, &now, &why)) return {Completion::kFailed, why};
  }
  if (timed) {
    // Hold-Job records the time in the job (Set-Job-Attributes only schedules it, and a restarted
    // server would find the job held indefinitely).
    ipp_t* request = NewJobRequest(IPP_OP_HOLD_JOB, job_id);
    static const std::set<std::string_view> kKeywords = {
        "indefinite", "day-time", "evening", "night", "second-shift", "third-shift", "weekend"};
    ippAddString(request, IPP_TAG_OPERATION,
                 kKeywords.contains(hold) ? IPP_TAG_KEYWORD : IPP_TAG_NAME, "job-hold-until",
                 nullptr, hold.c_str());
    IppPtr response(cupsDoRequest(http_, request, "/"));
    if (!Ok())
      return {Completion::kFailed,
              job + ": the ticket is stored but the hold failed: " + LastError()};
    return {Completion::kKeptHeld, job + " keeps its hold until " + hold};
  }
  IppPtr response(cupsDoRequest(http_, NewJobRequest(IPP_OP_RELEASE_JOB, job_id), "/"));
  if (!Ok())
    return {Completion::kFailed,
            job + ": the ticket is stored but the release failed: " + LastError()};
  return {Completion::kReleased, job + " released"};
}

}  // namespace nx::heldjobs
