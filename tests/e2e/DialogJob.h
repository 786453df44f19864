// Jobs submitted through the stand-in print dialog (the built pdehost) playing a scenario on the
// real plug-in bundles, and the wait for them on the private print server.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "E2eFixture.h"

namespace nx::e2e {

// A scenario of `bundle` with these steps.
inline std::string DialogScenario(const std::string& bundle, const std::vector<std::string>& steps) {
  std::string scenario = R"({"bundles": [")" + bundle + R"("], "steps": [)";
  for (std::size_t i = 0; i < steps.size(); ++i) scenario += (i ? ",\n" : "") + steps[i];
  return scenario + "]}";
}

// How the dialog is run: the job's title, host arguments before the scenario (such as "-o"
// options), the folder of the plug-in bundles, the system release it reports and more environment.
struct DialogRun {
  std::string title;
  std::vector<std::string> arguments;
  std::string bundles;
  std::string kernelRelease;
  std::vector<std::string> environment;
};

#ifdef NX_PDEHOST_PATH

class DialogJobTest : public E2eTest {
 protected:
  // Runs the dialog on a one-page document for queue "fax" with `scenario`, empty preferences in
  // the work folder; use with ASSERT_NO_FATAL_FAILURE. The dialog must end well.
  void RunDialog(const std::string& scenario, const DialogRun& run, CommandResult* dialog) {
    const std::string scenarioPath = work_.path() + "/scenario.json";
    ASSERT_TRUE(WriteFile(scenarioPath, scenario));
    std::filesystem::create_directories(work_.path() + "/prefs/user");
    std::filesystem::create_directories(work_.path() + "/prefs/any");
    std::vector<std::string> argv{NX_PDEHOST_PATH, "--queue", "fax", "--submit", Document(1), "--title", run.title};
    argv.insert(argv.end(), run.arguments.begin(), run.arguments.end());
    argv.insert(argv.end(), {"--scenario", scenarioPath, run.bundles});
    std::vector<std::string> env{server_->client_env(), "NX_USER_PREFS_DIR=" + work_.path() + "/prefs/user",
                                 "NX_ANY_USER_PREFS_DIR=" + work_.path() + "/prefs/any"};
    env.insert(env.end(), run.environment.begin(), run.environment.end());
    env.push_back("NX_KERNEL_RELEASE=" + run.kernelRelease);
    *dialog = RunCommand(argv, env);
    ASSERT_EQ(dialog->status, 0) << dialog->output;
  }

  // Waits for the job the dialog submitted to queue "fax"; it must complete. Use with
  // ASSERT_NO_FATAL_FAILURE.
  void WaitForDialogJob(const CommandResult& dialog) {
    std::smatch id;
    ASSERT_TRUE(std::regex_search(dialog.output, id, std::regex("request id is fax-([0-9]+)"))) << dialog.output;
    const JobOutcome job = server_->WaitForJob("fax", std::stoi(id.str(1)));
    ASSERT_TRUE(job.ended);
    EXPECT_EQ(job.state, IPP_JSTATE_COMPLETED) << job.job_message;
  }
};

#endif

}  // namespace nx::e2e
