// pdehost: the stand-in print dialog on the command line. Loads the plug-in bundles of a
// folder, plays a scenario of user actions against their panels and windows, then prints the
// resulting job options or sends a document to a CUPS queue with them.
#include <getopt.h>

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <nlohmann/json.hpp>

#include "nx/platform/paths.h"
#include "nx/platform/services.h"
#include "pdehost/DialogHost.h"
#include "pdehost/JobOptions.h"
#include "pdehost/Scenario.h"
#include "pdehost/ScenarioToolkit.h"

namespace {

// Exit statuses (docs/dialog-host.md).
constexpr int kExitPrinted = 0;
constexpr int kExitCancelled = 1;
constexpr int kExitExpectationFailed = 2;
constexpr int kExitUsage = 3;
constexpr int kExitSetup = 4;
constexpr int kExitSubmitFailed = 5;

const char kUsage[] =
    "Usage: pdehost [OPTION]... BUNDLE_DIR\n"
    "  or:  pdehost [OPTION]...\n"
    "Runs the print dialog extensions (plug-in bundles) found in BUNDLE_DIR (by default the\n"
    "installed ones, see below) the way the print dialog does, with a scenario playing the\n"
    "user, then prints the job options the panels produced (as a CUPS option string) or sends\n"
    "a document to the queue with them.\n"
    "\n"
    "  -q, --queue NAME         the printer: the session's printer identifier, the queue whose\n"
    "                           PPD is used (unless --ppd) and the queue --submit sends to\n"
    "  -p, --ppd FILE           use this PPD instead of asking the print system for the queue's\n"
    "  -o, --option NAME=VALUE  a job option, marked in the PPD and put into the print settings\n"
    "                           (repeatable; \"a=1 b=2\" works as with lp)\n"
    "  -s, --scenario FILE      the user's actions, a JSON file (see docs/dialog-host.md);\n"
    "                           without one the dialog shows every panel and prints\n"
    "  -d, --destination KIND   printer (default), file, fax, preview or pdf\n"
    "  -j, --json               print a JSON report (outcome, options, summaries, alerts)\n"
    "      --submit FILE        send FILE to the queue with the job options (cupsPrintFile)\n"
    "  -t, --title TEXT         job title for --submit (default: the file's name)\n"
    "  -h, --help               show this help and exit\n"
    "\n"
    "Exit status: 0 printed, 1 printing cancelled (by the user or a panel), 2 a scenario step\n"
    "could not be done or an expectation failed, 3 bad command line or scenario file,\n"
    "4 the PPD or a bundle could not be loaded, 5 the job could not be submitted.\n"
    "\n"
    "Without BUNDLE_DIR the installed plug-ins are loaded (NX_PLUGIN_DIR moves them): ";

int Usage(const std::string& message) {
  std::cerr << "pdehost: " << message << "\nTry 'pdehost --help' for more information.\n";
  return kExitUsage;
}

const char* OutcomeName(pdehost::DialogOutcome o) {
  switch (o) {
    case pdehost::DialogOutcome::kPrinted: return "printed";
    case pdehost::DialogOutcome::kCancelled: return "cancelled";
    case pdehost::DialogOutcome::kExpectationFailed: return "failed";
  }
  return "?";
}

nlohmann::json ReportJson(const pdehost::DialogReport& r, int job) {
  nlohmann::json j;
  j["outcome"] = OutcomeName(r.outcome);
  if (!r.cancelReason.empty()) j["cancelReason"] = r.cancelReason;
  j["failures"] = nlohmann::json::array();
  for (const auto& f : r.failures) j["failures"].push_back({{"step", f.step}, {"message", f.message}});
  j["options"] = nlohmann::json::object();
  for (const auto& [k, v] : r.jobOptions) j["options"][k] = v;
  j["optionString"] = pdehost::FormatOptionString(r.jobOptions);
  j["panels"] = nlohmann::json::array();
  for (const auto& p : r.panels) {
    nlohmann::json summary = nlohmann::json::object();
    for (const auto& [title, value] : p.summary.values) summary[title] = value;
    j["panels"].push_back({{"bundle", p.bundle},
                           {"name", p.name},
                           {"kind", p.kind},
                           {"ppdOptionKeys", p.ppdOptionKeys},
                           {"shown", p.shown},
                           {"summary", summary},
                           {"summaryOrder", p.summary.displayOrder}});
  }
  j["alerts"] = nlohmann::json::array();
  for (const auto& a : r.alerts)
    j["alerts"].push_back({{"titleKey", a.alert.title_key},
                           {"textKey", a.alert.text_key},
                           {"arguments", a.alert.arguments},
                           {"answer", a.answer},
                           {"window", a.window}});
  if (job > 0) j["job"] = job;
  return j;
}

}  // namespace

int main(int argc, char** argv) {
  static const option kLong[] = {
      {"queue", required_argument, nullptr, 'q'},  {"ppd", required_argument, nullptr, 'p'},
      {"option", required_argument, nullptr, 'o'}, {"scenario", required_argument, nullptr, 's'},
      {"destination", required_argument, nullptr, 'd'}, {"json", no_argument, nullptr, 'j'},
      {"submit", required_argument, nullptr, 'S'}, {"title", required_argument, nullptr, 't'},
      {"help", no_argument, nullptr, 'h'},         {nullptr, 0, nullptr, 0},
  };
  std::string queue, ppd, scenarioPath, submit, title;
  std::optional<int> destination;
  pdehost::JobOptionList cliOptions;
  bool json = false;
  opterr = 0;
  for (int c; (c = getopt_long(argc, argv, ":q:p:o:s:d:jt:h", kLong, nullptr)) != -1;) {
    switch (c) {
      case 'q': queue = optarg; break;
      case 'p': ppd = optarg; break;
      case 'o': {
        const auto parsed = pdehost::ParseOptionString(optarg);
        if (parsed.empty()) return Usage(std::string("no option in \"") + optarg + "\"");
        cliOptions.insert(cliOptions.end(), parsed.begin(), parsed.end());
        break;
      }
      case 's': scenarioPath = optarg; break;
      case 'd':
        destination = pdehost::DestinationFromName(optarg);
        if (!destination) return Usage(std::string("unknown destination \"") + optarg + "\"");
        break;
      case 'j': json = true; break;
      case 'S': submit = optarg; break;
      case 't': title = optarg; break;
      case 'h': std::cout << kUsage << nx::platform::PlugInDir() << "\n"; return kExitPrinted;
      case ':': return Usage(std::string("option ") + argv[optind - 1] + " needs a value");
      default: return Usage(std::string("unknown option ") + argv[optind - 1]);
    }
  }
  if (optind + 1 < argc) return Usage("more than one bundle folder given");
  const std::string bundlesDir = optind < argc ? argv[optind] : nx::platform::PlugInDir();
  if (optind == argc && !std::filesystem::is_directory(bundlesDir))
    return Usage("no bundle folder given, and no installed plug-ins in " + bundlesDir);

  pdehost::Scenario scenario;
  if (!scenarioPath.empty()) {
    std::string why;
    if (!pdehost::LoadScenarioFile(scenarioPath, &scenario, &why)) {
      std::cerr << "pdehost: " << why << "\n";
      return kExitUsage;
    }
  }
  pdehost::DialogSetup setup;
  setup.bundlesDir = bundlesDir;
  setup.bundles = scenario.bundles;
  setup.queue = !queue.empty() ? queue : scenario.queue.value_or("");
  setup.ppdPath = !ppd.empty() ? ppd : scenario.ppd.value_or("");
  setup.destination = destination.value_or(scenario.destination.value_or(pdekit::kPMDestinationPrinter));
  setup.options = scenario.options;
  for (const auto& o : cliOptions) {
    std::erase_if(setup.options, [&](const auto& e) { return e.first == o.first; });
    setup.options.push_back(o);
  }
  setup.refuseOptions = scenario.refuseOptions;
  if (!submit.empty() && setup.queue.empty()) return Usage("--submit needs a queue (--queue)");

  auto toolkit = std::make_unique<pdehost::ScenarioToolkit>();
  pdehost::ScenarioToolkit& scenarioToolkit = *toolkit;
  auto services = nx::platform::Services::Linux(std::move(toolkit));
  pdehost::DialogHost host(*services, scenarioToolkit);
  std::string why;
  if (!host.Open(setup, &why)) {
    std::cerr << "pdehost: " << why << "\n";
    return kExitSetup;
  }
  const pdehost::DialogReport report = host.Run(scenario);

  for (const auto& f : report.failures) std::cerr << "pdehost: " << f.message << "\n";
  int status = kExitPrinted;
  int job = 0;
  if (report.outcome == pdehost::DialogOutcome::kExpectationFailed) {
    status = kExitExpectationFailed;
  } else if (report.outcome == pdehost::DialogOutcome::kCancelled) {
    std::cerr << "pdehost: printing cancelled: " << report.cancelReason << "\n";
    status = kExitCancelled;
  } else if (!submit.empty()) {
    const std::string jobTitle = !title.empty() ? title : std::filesystem::path(submit).filename().string();
    job = pdehost::SubmitJob(setup.queue, submit, jobTitle, report.jobOptions, &why);
    if (job == 0) {
      std::cerr << "pdehost: " << why << "\n";
      status = kExitSubmitFailed;
    }
  }

  if (json) {
    std::cout << ReportJson(report, job).dump(2) << "\n";
  } else if (status == kExitPrinted) {
    if (job > 0) std::cout << "request id is " << setup.queue << "-" << job << "\n";
    else std::cout << pdehost::FormatOptionString(report.jobOptions) << "\n";
  }
  return status;
}
