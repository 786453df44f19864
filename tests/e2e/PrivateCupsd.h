// A private CUPS server for one test: the machine's cupsd and filters plus our filter, set up
// by scripts/e2e-cupsd.sh in a temporary folder, reachable only through a domain socket there.
// The server is a child of the test process: it is stopped when the object goes, and the kernel
// stops it too if the test process dies first.
#pragma once

#include <cups/cups.h>

#include <chrono>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "E2eSupport.h"
#include "JobTicket.h"

namespace nx::e2e {

struct ServerSettings {
  std::string job_filter;                   // the filter program to install; JobFilterPath() when empty
  std::string model_dir;                    // served as the PPD model folder (lpinfo -m), optional
  std::vector<std::string> filter_env;      // "NAME value" entries the server sets for filters
  int tcp_port = 0;                         // also listen on tcp_address:tcp_port (0: socket only)
  std::string tcp_address = "127.0.0.1";    // another machine's view needs a non-loopback one
  std::string default_auth_type;            // DefaultAuthType; empty: None
};

// How a job ended, as the server reports it.
struct JobOutcome {
  int id = 0;
  ipp_jstate_t state = IPP_JSTATE_PENDING;
  bool ended = false;                      // reached a final or stopped state before the deadline
  std::vector<std::string> state_reasons;  // job-state-reasons
  std::string job_message;                 // job-printer-state-message
  std::string printer_message;             // printer-state-message of the queue afterwards
  ipp_pstate_t printer_state = IPP_PSTATE_IDLE;
};

class PrivateCupsd {
 public:
  // Sets up and starts a server; nullptr with *error set when that fails.
  static std::unique_ptr<PrivateCupsd> Start(const ServerSettings& settings, std::string* error);
  ~PrivateCupsd();
  PrivateCupsd(const PrivateCupsd&) = delete;
  PrivateCupsd& operator=(const PrivateCupsd&) = delete;

  const std::string& root() const { return root_.path(); }
  std::string socket_path() const { return root() + "/run/cups.sock"; }
  // CUPS_SERVER=... for client programs run against this server.
  std::string client_env() const { return "CUPS_SERVER=" + socket_path(); }
  // Stops the server and starts it again on the same folder (jobs, queues and all); false with
  // *error when it does not come back.
  [[nodiscard]] bool Restart(std::string* error);

  // Creates an enabled queue `name` from the PPD file with a file: device and the given
  // lpadmin -o settings (PPD defaults such as NXPlatformGeneration=2, printer-error-policy).
  // Unless the settings say otherwise, the queue's error policy is abort-job, as installed.
  [[nodiscard]] bool AddQueue(const std::string& name, const std::string& ppd,
                              const OptionList& settings, std::string* error);
  // The same with a PPD that the server's driver index provides (lpadmin -m).
  [[nodiscard]] bool AddQueueFromModel(const std::string& name, const std::string& model,
                                       std::string* error);
  // What the queue's device received (empty when nothing was written).
  std::string DeviceFile(const std::string& queue) const { return root() + "/out/" + queue + ".prn"; }
  std::string DeviceOutput(const std::string& queue) const { return ReadFile(DeviceFile(queue)); }
  // The queue's PPD as the server keeps it.
  std::string QueuePpd(const std::string& queue) const {
    return ReadFile(root() + "/etc/ppd/" + queue + ".ppd");
  }
  std::string ErrorLog() const { return ReadFile(root() + "/log/error_log"); }

  // Submits a file with the given job options as `user`; the job id, or 0 with *error set.
  int Submit(const std::string& queue, const std::string& file, const std::string& title,
             const std::string& user, const OptionList& options, std::string* error);
  // Waits until the job is completed, aborted, canceled or stopped, or the deadline passes.
  JobOutcome WaitForJob(const std::string& queue, int job_id,
                        std::chrono::seconds deadline = std::chrono::seconds(90));

 private:
  PrivateCupsd(const std::string& prefix) : root_(prefix) {}
  http_t* Connect();
  bool Launch(std::string* error);
  void Stop();

  TempDir root_;
  pid_t pid_ = -1;
};

}  // namespace nx::e2e
