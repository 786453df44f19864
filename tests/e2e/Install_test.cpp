// The installed layout: the filter, its localization tables and the PPD, installed by the build's
// install rules into a staging folder (DESTDIR), serve a print server as a packaged driver would:
// the driver index lists the PPD, a queue is made from it, and the filter speaks the job's
// language from the installed tables. The dialog's installation (pdehost and the plug-in bundles)
// loads its own plug-ins without being told where they are.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "E2eFixture.h"

namespace nx::e2e {
namespace {

std::string FirstLine(const std::string& s) { return s.substr(0, s.find('\n')); }

using E2eInstall = E2eTest;

TEST_F(E2eInstall, InstalledDriverServesAQueue) {
  const TempDir stage("nxstage");
  ASSERT_TRUE(stage.ok());
  // What `cmake --install` runs for the filter's folder and the PPD's folder.
  for (const char* dir : {"CommonSource/FilterFrame", "ppd"}) {
    const CommandResult r = RunCommand(
        {NX_CMAKE_COMMAND, "-P", std::string(NX_BINARY_DIR) + "/" + dir + "/cmake_install.cmake"},
        {"DESTDIR=" + stage.path()});
    ASSERT_EQ(r.status, 0) << r.output;
  }
  const std::string serverbin = FirstLine(RunCommand({"cups-config", "--serverbin"}).output);
  const std::string datadir = FirstLine(RunCommand({"cups-config", "--datadir"}).output);
  const std::string filter = stage.path() + serverbin + "/filter/jobfilter";
  const std::string model = stage.path() + datadir + "/model";
  const std::string tables = stage.path() + NX_INSTALL_DATADIR;
  ASSERT_TRUE(FileExists(filter)) << filter;
  ASSERT_TRUE(FileExists(model + "/norvalex/nxfax.ppd"));
  ASSERT_TRUE(FileExists(tables + "/jobfilter/ja.lproj/Localizable.strings")) << tables;

  // The installed PPD with the installed filter passes the conformance test.
  const CommandResult test = RunCommand({"cupstestppd", "-W", "all", "-R", stage.path(), model + "/norvalex/nxfax.ppd"});
  EXPECT_EQ(test.status, 0) << test.output;

  ServerSettings settings;
  settings.job_filter = filter;
  settings.model_dir = model;
  settings.filter_env.push_back("NX_DATA_DIR " + tables);
  ASSERT_NO_FATAL_FAILURE(StartServer(settings));
  const CommandResult models = RunCommand({"lpinfo", "-m"}, {server_->client_env()});
  EXPECT_NE(models.output.find("norvalex/nxfax.ppd Norvalex MFP Fax"), std::string::npos) << models.output;
  std::string error;
  ASSERT_TRUE(server_->AddQueueFromModel("fax", "norvalex/nxfax.ppd", &error)) << error;

  // A job from a Japanese client: the server hands the filter LANG=ja_JP.UTF-8.
  const std::string doc = Document(1);
  const CommandResult lp = RunCommand(
      {"lp", "-d", "fax", "-o", TicketKey("DFRecipientListCountTicket") + "=1", "-o",
       TicketKey("DFRecipientListItemKeyTicket0") + "=FAEN=0312345678{20}{30}{}comment", doc},
      {server_->client_env(), "LANG=ja_JP.UTF-8", "LC_ALL=ja_JP.UTF-8"});
  ASSERT_EQ(lp.status, 0) << lp.output;
  const JobOutcome job = server_->WaitForJob("fax", 1);
  EXPECT_EQ(job.state, IPP_JSTATE_COMPLETED) << job.job_message;
  const DeviceStream stream = SplitDeviceStream(server_->DeviceOutput("fax"));
  EXPECT_TRUE(stream.ok) << stream.problem;
  // lp sends the queue's defaults along, number-up=1 among them.
  EXPECT_NE(stream.header.find("@PJL SET JOBATTR=\"@NLPP=N1\"\n"), std::string::npos) << Visible(stream.header);
  // The progress message in Japanese, from the installed table.
  EXPECT_NE(server_->ErrorLog().find("\xE3\x83\x9A\xE3\x83\xBC\xE3\x82\xB8 0 \xE3\x82\x92\xE5\x8D\xB0\xE5\x88\xB7\xE4\xB8\xAD"),
            std::string::npos)
      << "no Japanese progress message in the server log";
}

#if defined(NX_PDEHOST_PATH) && defined(NX_FAXPDE_BUNDLES_DIR) && defined(NX_ACCOUNTPDE_BUNDLES_DIR) && \
    defined(NX_INSTALL_PLUGINDIR)
TEST_F(E2eInstall, InstalledDialogLoadsItsOwnPlugIns) {
  namespace fs = std::filesystem;
  if (fs::path(NX_INSTALL_PLUGINDIR).is_absolute()) {
    GTEST_SKIP() << "plug-in folder configured outside the prefix";
  }
  const TempDir stage("nxstage");
  ASSERT_TRUE(stage.ok());
  // The dialog's component, staged, under a prefix other than the configured one.
  const CommandResult install = RunCommand(
      {NX_CMAKE_COMMAND, "--install", NX_BINARY_DIR, "--component", "dialog", "--prefix", "/opt/nx"},
      {"DESTDIR=" + stage.path()});
  ASSERT_EQ(install.status, 0) << install.output;
  for (const auto& e : fs::directory_iterator(stage.path())) EXPECT_EQ(e.path().filename(), "opt") << e.path();
  const std::string prefix = stage.path() + "/opt/nx";
  const fs::path plugins = fs::path(prefix) / NX_INSTALL_PLUGINDIR;

  // Each bundle as the build lays it out: every file, the layouts and string tables unchanged.
  for (const char* name : {"accountpde.plugin", "faxpde.plugin"}) {
    const fs::path built = fs::path(NX_BINARY_DIR) / name;
    std::size_t files = 0;
    for (const auto& e : fs::recursive_directory_iterator(built)) {
      if (!e.is_regular_file()) continue;
      ++files;
      const fs::path relative = fs::relative(e.path(), built);
      const fs::path installed = plugins / name / relative;
      ASSERT_TRUE(fs::is_regular_file(installed)) << installed;
      if (relative.extension() != ".so") {
        EXPECT_EQ(fs::file_size(installed), e.file_size()) << installed;
      }
    }
    EXPECT_GT(files, 10u) << built;
    const std::string module = (plugins / name / "Contents/Linux" / fs::path(name).stem()).string() + ".so";
    EXPECT_TRUE(FileExists(module)) << module;
  }

  // The installed pdehost, not told where the plug-ins are, loads both and offers their panels.
  const std::string scenario = work_.path() + "/cancel.json";
  ASSERT_TRUE(WriteFile(scenario, R"({"steps": [{"action": "cancel"}]})"));
  fs::create_directories(work_.path() + "/prefs/user");
  fs::create_directories(work_.path() + "/prefs/any");
  const CommandResult dialog = RunCommand(
      {prefix + "/bin/pdehost", "--json", "--ppd", FaxPpd(), "--scenario", scenario},
      {"NX_PLUGIN_DIR=", "NX_USER_PREFS_DIR=" + work_.path() + "/prefs/user",
       "NX_ANY_USER_PREFS_DIR=" + work_.path() + "/prefs/any", "NX_KERNEL_RELEASE=14.5.0"});
  EXPECT_EQ(dialog.status, 1) << dialog.output;
  for (const char* kind : {"qm08.pde.AccountKind", "qm08.pde.PrintTypeKind", "q21.pde.DeviceOptionKind",
                           "q21.pde.DirectFaxKind"}) {
    EXPECT_NE(dialog.output.find(std::string("\"kind\": \"com.norvalex.nb.") + kind + "\""), std::string::npos)
        << kind << "\n" << dialog.output;
  }
  // And the folder it took them from is the staged one.
  const CommandResult help = RunCommand({prefix + "/bin/pdehost", "--help"}, {"NX_PLUGIN_DIR="});
  const std::string last = help.output.substr(help.output.rfind(": ") + 2);
  EXPECT_EQ(fs::weakly_canonical(last.substr(0, last.find('\n'))), fs::weakly_canonical(plugins)) << help.output;
}
#endif

}  // namespace
}  // namespace nx::e2e
