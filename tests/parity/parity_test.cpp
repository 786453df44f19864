// Every scenario file of the dialog tests played twice, on the headless toolkit and on the Qt
// toolkit (offscreen), by the same scripted user: the job options, the alerts (kind, keys,
// texts, buttons, the button pressed), the windows run, the failures and the outcome must be
// the same. A difference names the scenario and the first line that differs.
#include <gtest/gtest.h>

#include <QApplication>
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "nx/desktop/qt_scripted_toolkit.h"
#include "nx/platform/help.h"
#include "nx/platform/identity.h"
#include "nx/platform/network.h"
#include "nx/platform/preferences.h"
#include "nx/platform/services.h"
#include "nx/platform/system_version.h"
#include "pdehost/DialogHost.h"
#include "pdehost/Scenario.h"

namespace {

namespace fs = std::filesystem;
using nx::platform::ui::ScriptedToolkit;

// How the dialog of each folder of scenario files is set up: as the tests that own the folder
// set it up (tests/host/host_fixture.h, tests/support/plugin_fixture.h).
struct Folder {
  std::string bundlesDir;
  std::vector<std::string> bundles;
  std::string queue;
  std::string ppd;
  bool admin = false;
  bool network = false;  // a fixed host name and address, and a help service
};

const std::map<std::string, Folder>& Folders() {
  static const std::map<std::string, Folder> kFolders = {
      {"host/scenarios", {NX_TEST_BUNDLES, {}, "Test_Queue", NX_SOURCE_DIR "/tests/host/scenarios/TestQueue.ppd", true}},
      {"faxpde/scenarios", {NX_BINARY_DIR, {"faxpde.plugin"}, "Fax", NX_SOURCE_DIR "/ppd/nxfax.ppd", false, true}},
      {"accountpde/scenarios",
       {NX_BINARY_DIR, {"accountpde.plugin"}, "Fax", NX_SOURCE_DIR "/ppd/nxfax.ppd", false, true}},
  };
  return kFolders;
}

// Scenario files that cannot be played on the Qt toolkit, with the reason. None so far.
const std::map<std::string, std::string> kSkipped = {};

// Every scenario file under tests/, by its path from there.
std::vector<std::string> ScenarioFiles() {
  std::vector<std::string> out;
  const fs::path root = fs::path(NX_SOURCE_DIR) / "tests";
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (!entry.is_regular_file() || entry.path().extension() != ".json") continue;
    if (entry.path().parent_path().filename() != "scenarios") continue;
    out.push_back(fs::relative(entry.path(), root).string());
  }
  std::sort(out.begin(), out.end());
  return out;
}

// What one play gave, one line per fact, in an order both toolkits share.
std::vector<std::string> Play(const std::string& file, const Folder& folder,
                              std::unique_ptr<ScriptedToolkit> scripted) {
  const std::string path = std::string(NX_SOURCE_DIR) + "/tests/" + file;
  pdehost::Scenario scenario;
  std::string why;
  if (!pdehost::LoadScenarioFile(path, &scenario, &why)) return {"unreadable: " + why};

  auto tk = std::make_unique<pdehost::ScenarioToolkit>(std::move(scripted));
  pdehost::ScenarioToolkit& toolkit = *tk;
  auto services = std::make_unique<nx::platform::Services>(
      std::make_unique<nx::platform::MemoryPreferences>(), nullptr,
      std::make_unique<nx::platform::FixedIdentity>("alice", folder.admin, "Front Desk"),
      folder.network ? std::make_unique<nx::platform::FixedNetwork>("pc1", std::vector<std::string>{"192.168.1.10"})
                     : nullptr,
      folder.network ? std::make_unique<nx::platform::RecordingHelp>() : nullptr,
      std::make_unique<nx::platform::FixedKernelRelease>("9.8"), std::move(tk));
  pdehost::DialogHost host(*services, toolkit);

  pdehost::DialogSetup setup;
  setup.bundlesDir = folder.bundlesDir;
  setup.bundles = scenario.bundles.empty() ? folder.bundles : scenario.bundles;
  setup.queue = scenario.queue.value_or(folder.queue);
  setup.ppdPath = scenario.ppd.value_or(folder.ppd);
  setup.options = scenario.options;
  setup.refuseOptions = scenario.refuseOptions;
  if (scenario.destination) setup.destination = *scenario.destination;
  if (!host.Open(setup, &why)) return {"not opened: " + why};
  const pdehost::DialogReport report = host.Run(scenario);

  std::vector<std::string> lines;
  static const char* const kOutcomes[] = {"printed", "cancelled", "error"};
  lines.push_back(std::string("outcome ") + kOutcomes[static_cast<int>(report.outcome)] + ": " + report.cancelReason);
  for (const auto& f : report.failures) lines.push_back("failure at step " + std::to_string(f.step) + ": " + f.message);
  for (const auto& [key, value] : report.jobOptions) lines.push_back("option " + key + " = " + value);
  for (const auto& a : report.alerts) {
    std::ostringstream s;
    s << "alert style " << static_cast<int>(a.alert.style) << " [" << a.alert.title_key << "/" << a.alert.text_key
      << "] \"" << a.alert.message_text << "\" \"" << a.alert.informative_text << "\" args";
    for (const auto& arg : a.alert.arguments) s << " \"" << arg << "\"";
    s << " buttons";
    for (const auto& b : a.alert.buttons) s << " \"" << b << "\"";
    s << " in " << a.window << " answered " << a.answer;
    lines.push_back(s.str());
  }
  for (const auto& w : toolkit.ShownWindows()) lines.push_back("window " + w.name);
  for (const auto& p : report.panels) {
    lines.push_back("panel " + p.kind + (p.shown ? " shown" : ""));
    for (const auto& title : p.summary.displayOrder) {
      const auto it = p.summary.values.find(title);
      lines.push_back("  summary " + title + ": " + (it != p.summary.values.end() ? it->second : ""));
    }
  }
  return lines;
}

std::string FirstDifference(const std::vector<std::string>& headless, const std::vector<std::string>& qt) {
  for (size_t i = 0; i < std::max(headless.size(), qt.size()); ++i) {
    const std::string h = i < headless.size() ? headless[i] : "(nothing)";
    const std::string q = i < qt.size() ? qt[i] : "(nothing)";
    if (h != q) return "line " + std::to_string(i + 1) + ":\n  headless: " + h + "\n  qt:       " + q;
  }
  return {};
}

TEST(Parity, EveryScenarioFilePlaysAlikeOnTheHeadlessAndTheQtToolkit) {
  const auto files = ScenarioFiles();
  ASSERT_FALSE(files.empty());
  size_t played = 0;
  for (const auto& file : files) {
    const std::string dir = fs::path(file).parent_path().string();
    const auto folder = Folders().find(dir);
    if (folder == Folders().end()) {
      ADD_FAILURE() << file << ": no dialog setup for the folder " << dir << " (add it to Folders())";
      continue;
    }
    if (kSkipped.count(file)) continue;
    const auto start = std::chrono::steady_clock::now();
    const auto headless = Play(file, folder->second, std::make_unique<nx::platform::ui::HeadlessToolkit>());
    const auto qt = Play(file, folder->second, nx::desktop::MakeScriptedQtToolkit());
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    const std::string diff = FirstDifference(headless, qt);
    EXPECT_TRUE(diff.empty()) << file << " differs at " << diff;
    if (diff.empty()) ++played;
    std::printf("%s: %zu lines alike (%lld ms)\n", file.c_str(), headless.size(), static_cast<long long>(ms.count()));
  }
  std::printf("%zu scenario files, %zu skipped, %zu alike\n", files.size(), kSkipped.size(), played);
}

// A step that closes a window and then shows an alert, in one action of the window below: the
// alert takes the answer meant for it, and the window below its next step only afterwards, on
// both toolkits.
TEST(Parity, AStepThatEndsAWindowAndThenAsksTakesItsAnswerBeforeTheNextStep) {
  using namespace nx::platform::ui;
  auto play = [](ScriptedToolkit& tk) {
    auto outer = tk.CreateWindow("Outer", "Outer");
    auto inner = tk.CreateWindow("Inner", "Inner");
    int asked = -1;
    int asked_at_close = -2;
    inner->AddElement(ElementKind::kButton, 1, "Done").SetAction([&](Element&) { tk.StopModal(*inner, 7); });
    outer->AddElement(ElementKind::kButton, 1, "Open").SetAction([&](Element&) {
      tk.RunModal(*inner);
      Alert alert;
      alert.title_key = "Sure";
      alert.buttons = {"Yes", "No"};
      asked = tk.RunAlert(alert) - kAlertFirstButtonReturn;
    });
    outer->AddElement(ElementKind::kButton, 2, "Close").SetAction([&](Element&) {
      asked_at_close = asked;
      tk.StopModal(*outer, 3);
    });
    tk.Push(Step::Click(1).In("Outer"));
    tk.Push(Step::Click(1).In("Inner"));
    tk.Push(Step::AnswerAlert(1));
    tk.Push(Step::Click(2).In("Outer"));
    const int response = tk.RunModal(*outer);
    std::string out = std::to_string(response) + " asked " + std::to_string(asked_at_close) + " left " +
                      std::to_string(tk.PendingSteps());
    for (const auto& e : tk.Errors()) out += "; " + e;
    return out;
  };
  nx::platform::ui::HeadlessToolkit headless;
  const auto qt = nx::desktop::MakeScriptedQtToolkit();
  EXPECT_EQ(play(headless), "3 asked 1 left 0");
  EXPECT_EQ(play(*qt), "3 asked 1 left 0");
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  qputenv("LANGUAGE", "en");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
