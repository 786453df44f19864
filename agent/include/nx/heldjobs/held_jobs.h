// The user's own held jobs on the fax queues, and their completion: the settings ticket written
// into a held job with Set-Job-Attributes, checked, then the job released.
//
// Every request goes to the local print server over its domain socket with the caller's peer
// credentials: under the fax queues' operation policy (nxfax-setup) the server recognises a
// job's owner only there, and only an owner sees the ticket entries of a job.
#pragma once

#include <cups/cups.h>

#include <chrono>
#include <ctime>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace nx::heldjobs {

using OptionList = std::vector<std::pair<std::string, std::string>>;

struct HeldJob {
  int id = 0;
  std::string uri;          // job-uri
  std::string queue;        // the queue's name
  std::string name;         // job-name
  std::string user;         // job-originating-user-name
  std::string hold_until;   // job-hold-until: "indefinite", or a time the user asked for
  int state = 0;            // job-state (IPP_JSTATE_HELD: 4)
  int documents = 0;        // number-of-documents: 0 until the document has arrived
  std::time_t created = 0;  // time-at-creation
  bool has_ticket = false;  // carries a settings ticket entry: submitted by our own dialogs
  // Held without a ticket: from an application's own dialog, waiting for us to complete it (a
  // job held until a time would otherwise go out then without recipients).
  bool NeedsRecipients() const { return !has_ticket; }
};

// How a completion ends.
enum class Completion {
  kReleased,    // ticket stored and the job released
  kKeptHeld,    // ticket stored; the job keeps the timed hold the user asked for
  kRefused,     // the server refused the ticket; nothing of it stays on the job
  kNotStored,   // some entries were not stored after two attempts; the job stays held
  kNoDocument,  // the document did not arrive in time; the ticket is stored, the job held
  kFailed,      // the server could not be reached or the job is gone
};

struct CompletionResult {
  Completion outcome = Completion::kFailed;
  std::string message;  // never holds a ticket value
};

struct CompleteOptions {
  // A hold other than "indefinite" and "no-hold" that the job keeps (e.g. "night", "23:00");
  // empty: the job's own hold when it is such a time, else release.
  std::string hold_until;
  std::chrono::milliseconds document_wait{std::chrono::seconds(60)};
};

// The job's stored attributes as job options (ticket and queue options), for marking in a dialog.
struct JobDetails {
  HeldJob job;
  OptionList options;  // every job attribute that is a string or number, as text
  std::map<std::string, ipp_tag_t> value_tags;  // the type the server keeps each of them in
};

class LocalServer {
 public:
  // The server named by the client configuration (CUPS_SERVER, client.conf) when that is a
  // domain socket, else the system's socket. nullptr with *error when it cannot be reached.
  static std::unique_ptr<LocalServer> Connect(std::string* error);
  static std::unique_ptr<LocalServer> ConnectSocket(const std::string& socket_path,
                                                    std::string* error);
  ~LocalServer();
  LocalServer(const LocalServer&) = delete;
  LocalServer& operator=(const LocalServer&) = delete;

  const std::string& socket_path() const { return socket_; }

  // The names of the queues whose PPD is ours (maker "Norvalex").
  [[nodiscard]] bool OurQueues(std::vector<std::string>* queues, std::string* error);
  // The caller's own pending-held jobs on our queues, oldest first.
  [[nodiscard]] bool ListHeldJobs(std::vector<HeldJob>* jobs, std::string* error);
  // One job of the caller (any state); false when it is not there or not the caller's.
  [[nodiscard]] bool GetJob(int job_id, JobDetails* details, std::string* error);

  // Writes `ticket` (job options: ticket entries and queue options) into the held job in one
  // request, fitted to what the server can pass to its filters together with the options the job
  // has; checks every entry was stored (sending the update once more when not); waits for the
  // document; then releases the job, or leaves it with its timed hold.
  CompletionResult Complete(int job_id, const OptionList& ticket, const CompleteOptions& options);
  [[nodiscard]] bool Cancel(int job_id, std::string* error);
  // The job's first document as the server holds it (CUPS-Get-Document), written to `path`
  // (created, mode 0600). False with *error when the server refuses it or the file cannot be
  // written; nothing is left at `path` then.
  [[nodiscard]] bool GetDocument(int job_id, const std::string& path, std::string* error);

  // The raw connection, for the tests' forged requests.
  http_t* http() const { return http_; }

 private:
  LocalServer(http_t* http, std::string socket) : http_(http), socket_(std::move(socket)) {}
  http_t* http_;
  std::string socket_;
};

// The job's own options a dialog marks for it: the queue's choices, the paper and banner pages
// the application asked for, and a ticket the job may carry.
OptionList DialogOptions(const OptionList& job_options);

// What the dialog's print sequence gave (`dialog_options`: its settings entries, then its PPD
// choices), split for Complete: the ticket entries and the queue's options (`is_queue_option`
// says which names the queue's PPD has) go to *ticket, the timed hold the user chose to
// options->hold_until; the print system's own attributes are left as the application sent them.
void SplitDialogOptions(const OptionList& dialog_options,
                        const std::function<bool(const std::string&)>& is_queue_option,
                        OptionList* ticket, CompleteOptions* options);

// The job id of a job URI ("ipp://host/jobs/12"), or 0.
int JobIdFromUri(const std::string& uri);

// The typed values of a ticket for Set-Job-Attributes, where a name is at most 255 bytes, a text
// at most 1023 and control bytes are refused, and a value starting with "{" would become a
// collection: such values take the byte-list form, and a byte-list value longer than a text its
// plain text when that is printable ASCII and reads back the same. False (with the key, never the
// value, in *error) when a value cannot be stored.
[[nodiscard]] bool TypeTicketValues(OptionList& ticket, std::string* error);

// The largest text value Set-Job-Attributes stores.
inline constexpr std::size_t kMaxTextValue = 1023;

}  // namespace nx::heldjobs
