// nxfax-agent: the user's held fax jobs. Lists them, follows them (one agent per user session),
// completes one by running the plug-ins' print session with a scenario playing the user, and
// cancels one. See docs/held-jobs.md.
#include <getopt.h>
#include <signal.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <nlohmann/json.hpp>
#include <thread>

#include "nx/heldjobs/desktop_notifier.h"
#include "nx/heldjobs/follower.h"
#include "nx/heldjobs/held_jobs.h"
#include "nx/platform/paths.h"
#include "nx/platform/services.h"
#include "nx/ticket/keys.h"
#include "pdehost/DialogHost.h"
#include "pdehost/Scenario.h"
#include "pdehost/ScenarioToolkit.h"

namespace {

using nx::heldjobs::HeldJob;

constexpr int kExitOk = 0;
constexpr int kExitCancelled = 1;
constexpr int kExitFailed = 2;
constexpr int kExitUsage = 3;
constexpr int kExitServer = 4;
constexpr int kExitLocked = 5;

const char kUsage[] =
    "Usage: nxfax-agent --list [--json]\n"
    "  or:  nxfax-agent --follow [--interval MS] [--report-after SECONDS] [--dialog PROGRAM]\n"
    "  or:  nxfax-agent --complete JOB-URI --scenario FILE [BUNDLE_DIR]\n"
    "  or:  nxfax-agent --cancel JOB-URI\n"
    "Your fax jobs that the fax queue holds until their recipients are chosen.\n"
    "\n"
    "  -l, --list                print the held jobs (-j, --json: as JSON)\n"
    "  -f, --follow              watch for held jobs until stopped; one agent per user\n"
    "      --interval MS         how often to look (default 1000)\n"
    "      --report-after SECONDS\n"
    "                            report jobs held longer than this (default 3600)\n"
    "      --dialog PROGRAM      what the notification's action starts, with --job JOB-URI\n"
    "                            (default: nxfax)\n"
    "  -c, --complete JOB-URI    run the fax dialog for the job with a scenario playing the\n"
    "                            user (pdehost's scenario format), write the settings into the\n"
    "                            job and release it (a timed hold the user chose is kept)\n"
    "  -s, --scenario FILE       the user's actions for --complete\n"
    "      --cancel JOB-URI      cancel the held job\n"
    "  -h, --help                show this help and exit\n"
    "\n"
    "Exit status: 0 done, 1 the dialog was cancelled, 2 the job could not be completed or\n"
    "cancelled, 3 bad command line, 4 the print server cannot be reached, 5 another agent of\n"
    "this user is following.\n";

int Usage(const std::string& message) {
  std::cerr << "nxfax-agent: " << message << "\nTry 'nxfax-agent --help' for more information.\n";
  return kExitUsage;
}

std::string Time(std::time_t t) {
  char text[32] = "?";
  std::tm tm{};
  if (t > 0 && localtime_r(&t, &tm)) std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &tm);
  return text;
}

int List(bool json) {
  std::string error;
  auto server = nx::heldjobs::LocalServer::Connect(&error);
  std::vector<HeldJob> jobs;
  if (!server || !server->ListHeldJobs(&jobs, &error)) {
    std::cerr << "nxfax-agent: " << error << "\n";
    return kExitServer;
  }
  if (json) {
    nlohmann::json out = nlohmann::json::array();
    for (const HeldJob& j : jobs)
      out.push_back({{"id", j.id},
                     {"uri", j.uri},
                     {"queue", j.queue},
                     {"name", j.name},
                     {"holdUntil", j.hold_until},
                     {"documents", j.documents},
                     {"created", j.created},
                     {"hasTicket", j.has_ticket},
                     {"needsRecipients", j.NeedsRecipients()}});
    std::cout << out.dump(2) << "\n";
    return kExitOk;
  }
  if (jobs.empty()) {
    std::cout << "No fax jobs are waiting.\n";
    return kExitOk;
  }
  for (const HeldJob& j : jobs) {
    std::cout << j.queue << "-" << j.id << "  \"" << j.name << "\"  since " << Time(j.created)
              << "  "
              << (j.NeedsRecipients()
                      ? "waiting for recipients"
                      : "held until " + j.hold_until + (j.has_ticket ? ", recipients chosen" : ""))
              << (j.documents < 1 ? " (document not yet arrived)" : "") << "\n  " << j.uri << "\n";
  }
  return kExitOk;
}

std::atomic<bool> g_stop{false};
void OnSignal(int) { g_stop = true; }

// The dialog the notification's action starts: nxfax beside this program, else on the PATH.
std::vector<std::string> DefaultDialog() {
  std::error_code ec;
  const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (!ec) {
    const auto beside = self.parent_path() / "nxfax";
    if (std::filesystem::is_regular_file(beside, ec)) return {beside.string()};
  }
  return {"nxfax"};
}

int Follow(std::chrono::milliseconds interval, std::chrono::seconds report_after,
           std::vector<std::string> dialog) {
  std::string error;
  auto lock = nx::heldjobs::UserLock::Take("nxfax-agent", &error);
  if (!lock) {
    std::cerr << "nxfax-agent: " << error << "\n";
    return kExitLocked;
  }
  struct sigaction sa {};
  sa.sa_handler = OnSignal;
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGINT, &sa, nullptr);
  // A notification whose action opens the dialog for the job; every notice is logged as well,
  // and is all there is without a desktop session (--list or --complete take it from there).
  auto notifier = nx::heldjobs::DesktopNotifier::Connect(std::move(dialog), &error);
  if (!notifier) std::cerr << "nxfax-agent: " << error << "; held jobs are only logged\n";
  auto notify = [&](const HeldJob& j, std::time_t waiting_since) {
    std::string why;
    if (notifier && !notifier->Notify(j, waiting_since, &why))
      std::cerr << "nxfax-agent: " << why << std::endl;
  };
  nx::heldjobs::FollowEvents events;
  events.needs_recipients = [&](const HeldJob& j) {
    std::cout << nx::heldjobs::NoticeSummary(j) << " (" << j.uri << ")" << std::endl;
    notify(j, 0);
  };
  events.resolved = [&](int id) {
    if (notifier) notifier->Close(id);
  };
  // Reported again, never cancelled: a job the user forgot must not go out unnoticed or vanish.
  events.waiting_long = [&](const HeldJob& j, std::chrono::seconds held) {
    std::cout << "Fax: \"" << j.name << "\" (" << j.uri << ") has been waiting since "
              << Time(j.created) << " (" << held.count() / 60 << " min)" << std::endl;
    if (j.NeedsRecipients()) notify(j, j.created);
  };
  events.problem = [](const std::string& why) { std::cerr << "nxfax-agent: " << why << std::endl; };
  nx::heldjobs::Follower follower(std::move(events), nx::heldjobs::LocalServer::Connect,
                                  report_after);
  while (!g_stop) {
    const auto next = std::chrono::steady_clock::now() + interval;
    follower.Poll(std::time(nullptr));
    for (auto now = std::chrono::steady_clock::now(); !g_stop && now < next;
         now = std::chrono::steady_clock::now()) {
      const auto step = std::min<std::chrono::steady_clock::duration>(
          next - now, std::chrono::milliseconds(20));
      const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(step);
      if (notifier)
        notifier->Pump(ms);
      else
        std::this_thread::sleep_for(step);
    }
  }
  return kExitOk;
}

int Complete(const std::string& uri, const std::string& scenario_path,
             const std::string& bundles_dir) {
  const int id = nx::heldjobs::JobIdFromUri(uri);
  if (id <= 0) return Usage("not a job URI: " + uri);
  pdehost::Scenario scenario;
  std::string why;
  if (!pdehost::LoadScenarioFile(scenario_path, &scenario, &why)) {
    std::cerr << "nxfax-agent: " << why << "\n";
    return kExitUsage;
  }
  auto server = nx::heldjobs::LocalServer::Connect(&why);
  nx::heldjobs::JobDetails details;
  if (!server) {
    std::cerr << "nxfax-agent: " << why << "\n";
    return kExitServer;
  }
  if (!server->GetJob(id, &details, &why)) {
    std::cerr << "nxfax-agent: " << why << "\n";
    return kExitFailed;
  }
  if (details.job.state != IPP_JSTATE_HELD) {
    std::cerr << "nxfax-agent: job " << id << " is not held\n";
    return kExitFailed;
  }

  pdehost::DialogSetup setup;
  setup.bundlesDir = bundles_dir;
  setup.bundles = scenario.bundles;
  setup.queue = details.job.queue;
  setup.ppdPath = scenario.ppd.value_or("");
  setup.options = nx::heldjobs::DialogOptions(details.options);
  for (const auto& o : scenario.options) {
    std::erase_if(setup.options, [&](const auto& e) { return e.first == o.first; });
    setup.options.push_back(o);
  }
  setup.refuseOptions = scenario.refuseOptions;
  auto toolkit = std::make_unique<pdehost::ScenarioToolkit>();
  pdehost::ScenarioToolkit& scenario_toolkit = *toolkit;
  auto services = nx::platform::Services::Linux(std::move(toolkit));
  pdehost::DialogHost host(*services, scenario_toolkit);
  if (!host.Open(setup, &why)) {
    std::cerr << "nxfax-agent: " << why << "\n";
    return kExitFailed;
  }
  const pdehost::DialogReport report = host.Run(scenario);
  for (const auto& f : report.failures) std::cerr << "nxfax-agent: " << f.message << "\n";
  if (report.outcome == pdehost::DialogOutcome::kExpectationFailed) return kExitFailed;
  if (report.outcome == pdehost::DialogOutcome::kCancelled) {
    // The job stays held: cancelling the dialog is not cancelling the fax (--cancel does that).
    std::cerr << "nxfax-agent: printing cancelled: " << report.cancelReason << "\n";
    return kExitCancelled;
  }

  // The ticket and the queue's options the user changed; the print system's own attributes the
  // job already has are left as the application sent them.
  nx::heldjobs::OptionList ticket;
  nx::heldjobs::CompleteOptions complete;
  nx::heldjobs::SplitDialogOptions(
      host.JobOptions(),
      [&](const std::string& k) { return ppdFindOption(host.ppd(), k.c_str()) != nullptr; },
      &ticket, &complete);
  const nx::heldjobs::CompletionResult result = server->Complete(id, ticket, complete);
  std::cout << "nxfax-agent: " << result.message << "\n";
  return result.outcome == nx::heldjobs::Completion::kReleased ||
                 result.outcome == nx::heldjobs::Completion::kKeptHeld
             ? kExitOk
             : kExitFailed;
}

int Cancel(const std::string& uri) {
  const int id = nx::heldjobs::JobIdFromUri(uri);
  if (id <= 0) return Usage("not a job URI: " + uri);
  std::string why;
  auto server = nx::heldjobs::LocalServer::Connect(&why);
  if (!server) {
    std::cerr << "nxfax-agent: " << why << "\n";
    return kExitServer;
  }
  if (!server->Cancel(id, &why)) {
    std::cerr << "nxfax-agent: " << why << "\n";
    return kExitFailed;
  }
  return kExitOk;
}

}  // namespace

int main(int argc, char** argv) {
  enum { kInterval = 1000, kReportAfter, kCancel, kDialog };
  static const option kLong[] = {
      {"list", no_argument, nullptr, 'l'},
      {"json", no_argument, nullptr, 'j'},
      {"follow", no_argument, nullptr, 'f'},
      {"interval", required_argument, nullptr, kInterval},
      {"report-after", required_argument, nullptr, kReportAfter},
      {"complete", required_argument, nullptr, 'c'},
      {"scenario", required_argument, nullptr, 's'},
      {"cancel", required_argument, nullptr, kCancel},
      {"dialog", required_argument, nullptr, kDialog},
      {"help", no_argument, nullptr, 'h'},
      {nullptr, 0, nullptr, 0},
  };
  char mode = 0;
  bool json = false;
  std::string job_uri, scenario, dialog;
  long interval_ms = 1000, report_after = 3600;
  auto set_mode = [&](char m) {
    if (mode && mode != m) return false;
    mode = m;
    return true;
  };
  auto number = [](const char* text, long* out) {
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (!*text || *end || v <= 0 || v > 100000000) return false;
    *out = v;
    return true;
  };
  opterr = 0;
  for (int c; (c = getopt_long(argc, argv, ":ljfc:s:h", kLong, nullptr)) != -1;) {
    switch (c) {
      case 'l':
        if (!set_mode('l')) return Usage("one of --list, --follow, --complete, --cancel");
        break;
      case 'j':
        json = true;
        break;
      case 'f':
        if (!set_mode('f')) return Usage("one of --list, --follow, --complete, --cancel");
        break;
      case 'c':
        if (!set_mode('c')) return Usage("one of --list, --follow, --complete, --cancel");
        job_uri = optarg;
        break;
      case kCancel:
        if (!set_mode('x')) return Usage("one of --list, --follow, --complete, --cancel");
        job_uri = optarg;
        break;
      case 's':
        scenario = optarg;
        break;
      case kDialog:
        dialog = optarg;
        break;
      case kInterval:
        if (!number(optarg, &interval_ms))
          return Usage("--interval needs a number of milliseconds");
        break;
      case kReportAfter:
        if (!number(optarg, &report_after))
          return Usage("--report-after needs a number of seconds");
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
  if (mode != 'c' && optind < argc)
    return Usage(std::string("unexpected argument ") + argv[optind]);
  if (optind + 1 < argc) return Usage("more than one bundle folder given");
  switch (mode) {
    case 'l':
      return List(json);
    case 'f':
      return Follow(std::chrono::milliseconds(interval_ms), std::chrono::seconds(report_after),
                    dialog.empty() ? DefaultDialog() : std::vector<std::string>{dialog});
    case 'x':
      return Cancel(job_uri);
    case 'c': {
      if (scenario.empty()) return Usage("--complete needs a scenario (--scenario)");
      const std::string bundles = optind < argc ? argv[optind] : nx::platform::PlugInDir();
      if (!std::filesystem::is_directory(bundles)) return Usage("no plug-ins in " + bundles);
      return Complete(job_uri, scenario, bundles);
    }
    default:
      return Usage("say what to do: --list, --follow, --complete or --cancel");
  }
}
