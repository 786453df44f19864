#include "PrivateCupsd.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <thread>

namespace nx::e2e {
namespace {

using namespace std::chrono_literals;

struct HttpClose {
  void operator()(http_t* h) const { httpClose(h); }
};
using HttpPtr = std::unique_ptr<http_t, HttpClose>;
struct IppDelete {
  void operator()(ipp_t* i) const { ippDelete(i); }
};
using IppPtr = std::unique_ptr<ipp_t, IppDelete>;

std::string Text(ipp_t* response, const char* name) {
  ipp_attribute_t* a = ippFindAttribute(response, name, IPP_TAG_ZERO);
  const char* s = a ? ippGetString(a, 0, nullptr) : nullptr;
  return s ? s : "";
}

}  // namespace

std::unique_ptr<PrivateCupsd> PrivateCupsd::Start(const ServerSettings& settings,
                                                  std::string* error) {
  const std::string filter = settings.job_filter.empty() ? JobFilterPath() : settings.job_filter;
  if (filter.empty() || !FileExists(filter)) {
    *error = "the jobfilter program is not built (" + filter + ")";
    return nullptr;
  }
  std::unique_ptr<PrivateCupsd> server(new PrivateCupsd("nxe2e"));
  if (!server->root_.ok()) {
    *error = "cannot create a temporary folder";
    return nullptr;
  }
  const std::string root = server->root();
  std::string env;
  for (const auto& e : settings.filter_env) env += e + "\n";
  std::vector<std::string> argv = {"bash", SourcePath("scripts/e2e-cupsd.sh"), "setup", root, filter};
  if (!settings.model_dir.empty()) argv.push_back(settings.model_dir);
  std::vector<std::string> setup_env{"NX_CUPSD_FILTER_ENV=" + env};
  if (settings.tcp_port > 0) setup_env.push_back("NX_CUPSD_LISTEN=" + settings.tcp_address + ":" + std::to_string(settings.tcp_port));
  if (!settings.default_auth_type.empty()) setup_env.push_back("NX_CUPSD_AUTH_TYPE=" + settings.default_auth_type);
  const CommandResult setup = RunCommand(argv, setup_env);
  if (setup.status != 0) {
    *error = "server set-up failed: " + setup.output;
    return nullptr;
  }
  if (!server->Launch(error)) return nullptr;
  return server;
}

bool PrivateCupsd::Restart(std::string* error) {
  Stop();
  return Launch(error);
}

bool PrivateCupsd::Launch(std::string* error) {
  const std::string root = this->root();
  // Everything the child needs is prepared here: after fork it only makes system calls.
  const std::string log = root + "/log/cupsd.out";
  const std::string cupsd = root + "/sbin/cupsd";
  const std::string conf = root + "/etc/cupsd.conf";
  const std::string files_conf = root + "/etc/cups-files.conf";
  const pid_t parent = getpid();
  const pid_t pid = fork();
  if (pid < 0) {
    *error = "fork failed";
    return false;
  }
  if (pid == 0) {
    // The server must not outlive the test process.
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() != parent) _exit(127);
    const int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (fd >= 0) {
      dup2(fd, 1);
      dup2(fd, 2);
    }
    const int in = open("/dev/null", O_RDONLY);
    if (in >= 0) dup2(in, 0);
    execl(cupsd.c_str(), "cupsd", "-f", "-c", conf.c_str(), "-s", files_conf.c_str(),
          static_cast<char*>(nullptr));
    _exit(127);
  }
  pid_ = pid;

  // Ready when it answers a request on its socket.
  const auto until = std::chrono::steady_clock::now() + 20s;
  while (std::chrono::steady_clock::now() < until) {
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid) {
      pid_ = -1;
      *error = "cupsd ended at start: " + ReadFile(root + "/log/cupsd.out") + ErrorLog();
      return false;
    }
    if (FileExists(socket_path())) {
      HttpPtr http(Connect());
      if (http) {
        IppPtr response(cupsDoRequest(http.get(), ippNewRequest(IPP_OP_CUPS_GET_PRINTERS), "/"));
        if (cupsLastError() <= IPP_STATUS_OK_EVENTS_COMPLETE ||
            cupsLastError() == IPP_STATUS_ERROR_NOT_FOUND) {
          return true;
        }
      }
    }
    std::this_thread::sleep_for(50ms);
  }
  *error = "cupsd did not answer: " + ErrorLog();
  return false;
}

PrivateCupsd::~PrivateCupsd() { Stop(); }

void PrivateCupsd::Stop() {
  if (pid_ <= 0) return;
  kill(pid_, SIGTERM);
  const auto until = std::chrono::steady_clock::now() + 10s;
  int status = 0;
  while (waitpid(pid_, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > until) {
      kill(pid_, SIGKILL);
      waitpid(pid_, &status, 0);
      break;
    }
    std::this_thread::sleep_for(20ms);
  }
  pid_ = -1;
}

http_t* PrivateCupsd::Connect() {
  return httpConnect2(socket_path().c_str(), 0, nullptr, AF_UNSPEC, HTTP_ENCRYPTION_NEVER, 1,
                      10000, nullptr);
}

namespace {

// The fax queue's error policy as the installation sets it: a job the filter fails is aborted
// and the queue goes on with the next one (the server's default would stop the whole queue).
void AddErrorPolicy(std::vector<std::string>& argv, const OptionList& settings) {
  for (const auto& [k, v] : settings) {
    if (k == "printer-error-policy") return;
  }
  argv.push_back("-o");
  argv.push_back("printer-error-policy=abort-job");
}

}  // namespace

bool PrivateCupsd::AddQueue(const std::string& name, const std::string& ppd,
                            const OptionList& settings, std::string* error) {
  std::vector<std::string> argv = {"lpadmin", "-p", name, "-E", "-v",
                                   "file:" + DeviceFile(name), "-P", ppd};
  for (const auto& [k, v] : settings) {
    argv.push_back("-o");
    argv.push_back(k + "=" + v);
  }
  AddErrorPolicy(argv, settings);
  const CommandResult r = RunCommand(argv, {client_env()});
  if (r.status != 0) *error = "lpadmin failed: " + r.output;
  return r.status == 0;
}

bool PrivateCupsd::AddQueueFromModel(const std::string& name, const std::string& model,
                                     std::string* error) {
  std::vector<std::string> argv = {"lpadmin", "-p", name, "-E", "-v", "file:" + DeviceFile(name),
                                   "-m", model};
  AddErrorPolicy(argv, {});
  const CommandResult r = RunCommand(argv, {client_env()});
  if (r.status != 0) *error = "lpadmin failed: " + r.output;
  return r.status == 0;
}

int PrivateCupsd::Submit(const std::string& queue, const std::string& file,
                         const std::string& title, const std::string& user,
                         const OptionList& options, std::string* error) {
  HttpPtr http(Connect());
  if (!http) {
    *error = "cannot connect to the server";
    return 0;
  }
  cups_option_t* opts = nullptr;
  int count = 0;
  for (const auto& [k, v] : options) count = cupsAddOption(k.c_str(), v.c_str(), count, &opts);
  cupsSetUser(user.c_str());
  const int id = cupsPrintFile2(http.get(), queue.c_str(), file.c_str(), title.c_str(), count, opts);
  cupsFreeOptions(count, opts);
  cupsSetUser(nullptr);
  if (id <= 0) *error = std::string("submission refused: ") + cupsLastErrorString();
  return id;
}

JobOutcome PrivateCupsd::WaitForJob(const std::string& queue, int job_id,
                                    std::chrono::seconds deadline) {
  JobOutcome out;
  out.id = job_id;
  const auto until = std::chrono::steady_clock::now() + deadline;
  const std::string job_uri = "ipp://localhost/jobs/" + std::to_string(job_id);
  const std::string printer_uri = "ipp://localhost/printers/" + queue;
  for (;;) {
    HttpPtr http(Connect());
    if (http) {
      ipp_t* request = ippNewRequest(IPP_OP_GET_JOB_ATTRIBUTES);
      ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "job-uri", nullptr, job_uri.c_str());
      IppPtr response(cupsDoRequest(http.get(), request, "/"));
      if (response) {
        if (ipp_attribute_t* s = ippFindAttribute(response.get(), "job-state", IPP_TAG_ENUM)) {
          out.state = static_cast<ipp_jstate_t>(ippGetInteger(s, 0));
        }
        out.job_message = Text(response.get(), "job-printer-state-message");
        out.state_reasons.clear();
        if (ipp_attribute_t* r = ippFindAttribute(response.get(), "job-state-reasons", IPP_TAG_KEYWORD)) {
          for (int i = 0; i < ippGetCount(r); ++i) out.state_reasons.emplace_back(ippGetString(r, i, nullptr));
        }
      }
      if (out.state >= IPP_JSTATE_STOPPED) {
        out.ended = true;
        ipp_t* preq = ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
        ippAddString(preq, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, printer_uri.c_str());
        IppPtr presp(cupsDoRequest(http.get(), preq, "/"));
        if (presp) {
          out.printer_message = Text(presp.get(), "printer-state-message");
          if (ipp_attribute_t* s = ippFindAttribute(presp.get(), "printer-state", IPP_TAG_ENUM)) {
            out.printer_state = static_cast<ipp_pstate_t>(ippGetInteger(s, 0));
          }
        }
        return out;
      }
    }
    if (std::chrono::steady_clock::now() > until) return out;
    std::this_thread::sleep_for(100ms);
  }
}

}  // namespace nx::e2e
