#include "nx/platform/paths.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

// Sets an environment variable for one test and restores it afterwards.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old, had_ = true;
    if (value) setenv(name, value, 1); else unsetenv(name);
  }
  ~ScopedEnv() { if (had_) setenv(name_, old_.c_str(), 1); else unsetenv(name_); }
 private:
  const char* name_;
  std::string old_;
  bool had_ = false;
};

TEST(Paths, RootsFollowTheirVariablesAndDefaults) {
  ScopedEnv home("HOME", "/home/alice");
  ScopedEnv prefs("NX_USER_PREFS_DIR", nullptr);
  ScopedEnv xdgc("XDG_CONFIG_HOME", nullptr);
  ScopedEnv xdgd("XDG_DATA_HOME", nullptr);
  ScopedEnv sys("NX_SYSTEM_DIR", nullptr);
  EXPECT_EQ(nx::platform::UserPreferencesDir(), "/home/alice/.config/norvalex");
  EXPECT_EQ(nx::platform::PhonebookDir(), "/home/alice/.local/share/NORVALEX/JPN/MFP_D-FAX");
  EXPECT_EQ(nx::platform::JobCopyFlagFile(), "/etc/norvalex/nxjobcopy");
  {
    ScopedEnv c("XDG_CONFIG_HOME", "/x/cfg");
    ScopedEnv d("XDG_DATA_HOME", "/x/data");
    EXPECT_EQ(nx::platform::UserPreferencesDir(), "/x/cfg/norvalex");
    EXPECT_EQ(nx::platform::PhonebookDir(), "/x/data/NORVALEX/JPN/MFP_D-FAX");
  }
  ScopedEnv s("NX_SYSTEM_DIR", "/t/sys");
  EXPECT_EQ(nx::platform::JobCopyFlagFile(), "/t/sys/nxjobcopy");
}

TEST(Paths, TempDirFallsBackWhenTmpdirUnsetOrEmpty) {
  {
    ScopedEnv t("TMPDIR", nullptr);
    EXPECT_EQ(nx::platform::TempDir(), "/tmp");
  }
  {
    ScopedEnv t("TMPDIR", "");
    EXPECT_EQ(nx::platform::TempDir(), "/tmp");
  }
  ScopedEnv t("TMPDIR", "/var/spool/cups/tmp");
  EXPECT_EQ(nx::platform::TempDir(), "/var/spool/cups/tmp");
}

// The test program does not lie in an installation, so without the variable the folder is the
// configured one.
TEST(Paths, PlugInDirFollowsItsVariableElseTheInstalledFolder) {
  std::string installed;
  {
    ScopedEnv unset("NX_PLUGIN_DIR", nullptr);
    installed = nx::platform::PlugInDir();
  }
  EXPECT_EQ(installed.front(), '/');
  EXPECT_TRUE(installed.ends_with("/norvalex/plugins")) << installed;
  {
    ScopedEnv empty("NX_PLUGIN_DIR", "");
    EXPECT_EQ(nx::platform::PlugInDir(), installed);
  }
  ScopedEnv moved("NX_PLUGIN_DIR", "/t/plugins");
  EXPECT_EQ(nx::platform::PlugInDir(), "/t/plugins");
}

}  // namespace
