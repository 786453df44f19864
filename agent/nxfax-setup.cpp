// nxfax-setup: makes a queue a fax queue whose jobs wait for their recipients (held by default,
// completed by the user's agent), with the operation policy that keeps other users off them, and
// undoes all of it. Run by an administrator. See docs/held-jobs.md.
#include <cups/cups.h>
#include <getopt.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "nx/heldjobs/server_policy.h"

namespace {

using nx::heldjobs::QueueRecord;
using namespace std::chrono_literals;

constexpr int kExitOk = 0;
constexpr int kExitFailed = 2;
constexpr int kExitUsage = 3;

const char kUsage[] =
    "Usage: nxfax-setup [--queue NAME] [--device URI] [--ppd FILE | --model NAME]\n"
    "  or:  nxfax-setup --client --server HOST [--queue NAME] [--remote-queue NAME]\n"
    "  or:  nxfax-setup --undo\n"
    "Creates or updates the fax queue so that every job waits for its recipients (held until the\n"
    "user's nxfax-agent completes it), aborts a failed job instead of stopping the queue, and\n"
    "runs under the operation policy \"nxfax\": only a job's owner (or an administrator) may\n"
    "change, hold, release, restart or cancel it, and only they see its values. The policy is\n"
    "added to the print server's cupsd.conf through its administration interface, as cupsctl\n"
    "does; the rest of the file is kept byte for byte.\n"
    "\n"
    "  -q, --queue NAME    the queue (default Fax)\n"
    "  -v, --device URI    its device; needed when the queue is created\n"
    "  -P, --ppd FILE      the queue's PPD file\n"
    "  -m, --model NAME    the PPD from the driver index (default norvalex/nxfax.ppd when the\n"
    "                      queue is created)\n"
    "  -c, --client        make a desktop queue in front of the fax queue of a print server: it\n"
    "                      passes PDF on (norvalex/nxfax-client.ppd), so that the server renders,\n"
    "                      fills in the fax job and counts its pages; held and protected the same\n"
    "  -s, --server HOST   the print server (HOST or HOST:PORT) of --client\n"
    "  -r, --remote-queue NAME  the server's fax queue (default Fax)\n"
    "  -u, --undo          give every queue set up back what it had (a queue set-up created is\n"
    "                      deleted) and remove the policy: cupsd.conf is as before\n"
    "  -h, --help          show this help and exit\n";

constexpr char kFaxModel[] = "norvalex/nxfax.ppd";
constexpr char kClientModel[] = "norvalex/nxfax-client.ppd";

int Usage(const std::string& message) {
  std::cerr << "nxfax-setup: " << message << "\nTry 'nxfax-setup --help' for more information.\n";
  return kExitUsage;
}

struct HttpClose {
  void operator()(http_t* h) const { httpClose(h); }
};
using HttpPtr = std::unique_ptr<http_t, HttpClose>;
struct IppDelete {
  void operator()(ipp_t* i) const { ippDelete(i); }
};
using IppPtr = std::unique_ptr<ipp_t, IppDelete>;

HttpPtr Connect() {
  return HttpPtr(httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1,
                              30000, nullptr));
}

// Runs lpadmin (the print system's own tool) with the given arguments.
bool Lpadmin(const std::vector<std::string>& args, std::string* output) {
  int pipefd[2];
  if (pipe(pipefd) != 0) return false;
  const pid_t pid = fork();
  if (pid < 0) return false;
  if (pid == 0) {
    dup2(pipefd[1], 1);
    dup2(pipefd[1], 2);
    close(pipefd[0]);
    std::vector<char*> argv{const_cast<char*>("lpadmin")};
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execvp("lpadmin", argv.data());
    _exit(127);
  }
  close(pipefd[1]);
  output->clear();
  char buf[512];
  for (ssize_t n; (n = read(pipefd[0], buf, sizeof buf)) > 0;)
    output->append(buf, static_cast<size_t>(n));
  close(pipefd[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// lpadmin again while the server reloads its configuration (after cupsd.conf changed, it
// restarts itself as soon as no job is printing, and until then does not know the new policy).
bool LpadminPatiently(const std::vector<std::string>& args, std::string* output) {
  const auto until = std::chrono::steady_clock::now() + 60s;
  while (!Lpadmin(args, output)) {
    if (std::chrono::steady_clock::now() > until) return false;
    std::this_thread::sleep_for(250ms);
  }
  return true;
}

std::string Text(ipp_t* response, const char* name) {
  ipp_attribute_t* a = ippFindAttribute(response, name, IPP_TAG_ZERO);
  const char* s = a ? ippGetString(a, 0, nullptr) : nullptr;
  return s ? s : "";
}

// What the queue has now; existed false when there is no such queue.
bool ReadQueue(const std::string& queue, QueueRecord* record, std::string* error) {
  HttpPtr http = Connect();
  if (!http) {
    *error = "cannot reach the print server";
    return false;
  }
  char uri[1024];
  httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", 0,
                   "/printers/%s", queue.c_str());
  ipp_t* request = ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
  static const char* const kWanted[] = {"printer-op-policy", "job-hold-until-default",
                                        "printer-error-policy"};
  ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", 3, nullptr,
                kWanted);
  IppPtr response(cupsDoRequest(http.get(), request, "/"));
  record->queue = queue;
  if (cupsLastError() == IPP_STATUS_ERROR_NOT_FOUND) {
    record->existed = false;
    return true;
  }
  if (!response || cupsLastError() > IPP_STATUS_OK_EVENTS_COMPLETE) {
    *error = std::string("cannot read queue ") + queue + ": " + cupsLastErrorString();
    return false;
  }
  record->existed = true;
  record->op_policy = Text(response.get(), "printer-op-policy");
  record->hold_until = Text(response.get(), "job-hold-until-default");
  record->error_policy = Text(response.get(), "printer-error-policy");
  return true;
}

// How many jobs of the queue are not finished (held ones included); false when it cannot say.
bool UnfinishedJobs(const std::string& queue, int* count, std::string* error) {
  *count = -1;
  HttpPtr http = Connect();
  if (!http) {
    *error = "cannot reach the print server";
    return false;
  }
  char uri[1024];
  httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", 0,
                   "/printers/%s", queue.c_str());
  ipp_t* request = ippNewRequest(IPP_OP_GET_JOBS);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "which-jobs", nullptr, "not-completed");
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr,
               "job-id");
  IppPtr response(cupsDoRequest(http.get(), request, "/"));
  if (!response || cupsLastError() > IPP_STATUS_OK_EVENTS_COMPLETE) {
    *error = std::string("cannot list the jobs of ") + queue + ": " + cupsLastErrorString();
    return false;
  }
  *count = 0;
  for (ipp_attribute_t* a = ippFirstAttribute(response.get()); a;
       a = ippNextAttribute(response.get()))
    if (ippGetName(a) && std::string_view(ippGetName(a)) == "job-id") ++*count;
  return true;
}

// cupsd.conf through the administration interface, as cupsctl reads and writes it.
bool GetServerConf(std::string* conf, std::string* error) {
  HttpPtr http = Connect();
  char path[] = "/tmp/nxfax-setup-XXXXXX";
  const int fd = mkstemp(path);
  if (!http || fd < 0) {
    if (fd >= 0) close(fd), unlink(path);
    *error = "cannot reach the print server";
    return false;
  }
  const http_status_t status = cupsGetFd(http.get(), "/admin/conf/cupsd.conf", fd);
  close(fd);
  std::ifstream in(path, std::ios::binary);
  conf->assign(std::istreambuf_iterator<char>(in), {});
  unlink(path);
  if (status != HTTP_STATUS_OK) {
    *error = std::string("cannot read the server's cupsd.conf: ") + httpStatus(status);
    return false;
  }
  return true;
}

bool PutServerConf(const std::string& conf, std::string* error) {
  HttpPtr http = Connect();
  char path[] = "/tmp/nxfax-setup-XXXXXX";
  const int fd = mkstemp(path);
  if (!http || fd < 0) {
    if (fd >= 0) close(fd), unlink(path);
    *error = "cannot reach the print server";
    return false;
  }
  const bool written = write(fd, conf.data(), conf.size()) == static_cast<ssize_t>(conf.size());
  lseek(fd, 0, SEEK_SET);
  const http_status_t status =
      written ? cupsPutFd(http.get(), "/admin/conf/cupsd.conf", fd) : HTTP_STATUS_ERROR;
  close(fd);
  unlink(path);
  if (status != HTTP_STATUS_CREATED && status != HTTP_STATUS_OK) {
    *error = std::string("cannot write the server's cupsd.conf: ") + httpStatus(status);
    return false;
  }
  return true;
}

int Fail(const std::string& message) {
  std::cerr << "nxfax-setup: " << message << "\n";
  return kExitFailed;
}

int Setup(const std::string& queue, const std::string& device, const std::string& ppd,
          const std::string& model) {
  std::string error, output;
  QueueRecord before;
  if (!ReadQueue(queue, &before, &error)) return Fail(error);
  if (!before.existed && device.empty())
    return Fail("queue " + queue + " does not exist: give its device (--device)");
  std::string conf;
  if (!GetServerConf(&conf, &error)) return Fail(error);
  if (!PutServerConf(nx::heldjobs::WithFaxPolicy(conf, {before}), &error)) return Fail(error);

  std::vector<std::string> args{"-p", queue, "-E"};
  if (!device.empty()) args.insert(args.end(), {"-v", device});
  if (!ppd.empty())
    args.insert(args.end(), {"-P", ppd});
  else if (!model.empty() || !before.existed)
    args.insert(args.end(), {"-m", model.empty() ? kFaxModel : model});
  args.insert(args.end(),
              {"-o", "printer-error-policy=abort-job", "-o", "job-hold-until-default=indefinite",
               "-o", std::string("printer-op-policy=") + nx::heldjobs::kFaxPolicyName});
  if (!LpadminPatiently(args, &output)) return Fail("lpadmin failed: " + output);
  std::cout << "Queue " << queue << " holds its jobs for their recipients under policy \""
            << nx::heldjobs::kFaxPolicyName << "\".\n";
  return kExitOk;
}

int Undo() {
  std::string error, output;
  std::string conf;
  if (!GetServerConf(&conf, &error)) return Fail(error);
  std::vector<QueueRecord> records;
  const auto without = nx::heldjobs::WithoutFaxPolicy(conf, &records);
  if (!without) {
    std::cout << "Nothing to undo: the server's cupsd.conf has no fax policy block.\n";
    return kExitOk;
  }
  // The queues leave the policy before it goes.
  for (const QueueRecord& r : records) {
    std::vector<std::string> args;
    int waiting = 0;
    if (!r.existed && UnfinishedJobs(r.queue, &waiting, &error) && waiting == 0) {
      args = {"-x", r.queue};
    } else if (!r.existed) {
      // Deleting the queue would cancel its jobs: it stays, no longer holding new ones.
      std::cout << "Queue " << r.queue << " is kept: "
                << (waiting > 0 ? "it has unfinished jobs"
                                : "its jobs cannot be listed (" + error + ")")
                << "; delete it with lpadmin -x " << r.queue << " once they are done.\n";
      args = {
          "-p", r.queue, "-o", "printer-op-policy=default", "-o", "job-hold-until-default=no-hold"};
    } else {
      args = {"-p", r.queue};
      if (!r.op_policy.empty()) args.insert(args.end(), {"-o", "printer-op-policy=" + r.op_policy});
      if (!r.hold_until.empty())
        args.insert(args.end(), {"-o", "job-hold-until-default=" + r.hold_until});
      if (!r.error_policy.empty())
        args.insert(args.end(), {"-o", "printer-error-policy=" + r.error_policy});
    }
    if (!Lpadmin(args, &output)) {
      QueueRecord now;
      // A queue deleted since set-up has nothing to give back.
      if (!(ReadQueue(r.queue, &now, &error) && !now.existed))
        return Fail("lpadmin failed for " + r.queue + ": " + output);
    }
  }
  if (!PutServerConf(*without, &error)) return Fail(error);
  std::cout << "The fax policy is removed; " << records.size()
            << " queue(s) given back what they had.\n";
  return kExitOk;
}

}  // namespace

int main(int argc, char** argv) {
  static const option kLong[] = {
      {"queue", required_argument, nullptr, 'q'},
      {"device", required_argument, nullptr, 'v'},
      {"ppd", required_argument, nullptr, 'P'},
      {"model", required_argument, nullptr, 'm'},
      {"undo", no_argument, nullptr, 'u'},
      {"client", no_argument, nullptr, 'c'},
      {"server", required_argument, nullptr, 's'},
      {"remote-queue", required_argument, nullptr, 'r'},
      {"help", no_argument, nullptr, 'h'},
      {nullptr, 0, nullptr, 0},
  };
  std::string queue = "Fax", device, ppd, model, server, remoteQueue = "Fax";
  bool undo = false, client = false;
  opterr = 0;
  for (int c; (c = getopt_long(argc, argv, ":q:v:P:m:ucs:r:h", kLong, nullptr)) != -1;) {
    switch (c) {
      case 'q':
        queue = optarg;
        break;
      case 'v':
        device = optarg;
        break;
      case 'P':
        ppd = optarg;
        break;
      case 'm':
        model = optarg;
        break;
      case 'u':
        undo = true;
        break;
      case 'c':
        client = true;
        break;
      case 's':
        server = optarg;
        break;
      case 'r':
        remoteQueue = optarg;
        break;
      case 'h':
        std::cout << kUsage;
        return kExitOk;
      case ':':
        return Usage(std::string("option ") + argv[optind - 1] + " needs a value");
      default:
        return Usage(std::string("unknown option ") + argv[optind - 1]);
    }
  }
  if (optind < argc) return Usage(std::string("unexpected argument ") + argv[optind]);
  if (!ppd.empty() && !model.empty()) return Usage("give --ppd or --model, not both");
  const auto badQueueName = [](const std::string& name) {
    return name.empty() || name.size() > 127 || name.find_first_of(" \t/\\#\"'?") != std::string::npos;
  };
  if (badQueueName(queue)) return Usage("not a queue name: " + queue);
  if (undo) return Undo();
  if (client) {
    if (server.empty()) return Usage("--client needs the print server (--server HOST)");
    if (!device.empty() || !ppd.empty() || !model.empty())
      return Usage("--client makes its own device and PPD: leave out --device, --ppd and --model");
    // The host goes into a URI as it is: nothing that could end or redirect it.
    if (server.size() > 255 || server.find_first_of(" \t/\\?#@\"'") != std::string::npos)
      return Usage("not a server name: " + server);
    if (badQueueName(remoteQueue)) return Usage("not a queue name: " + remoteQueue);
    return Setup(queue, "ipp://" + server + "/printers/" + remoteQueue, "", kClientModel);
  }
  if (!server.empty()) return Usage("--server belongs to --client");
  return Setup(queue, device, ppd, model);
}
