#include "scenario_toolkit.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#ifdef NX_SCENARIO_TOOLKIT_QT
#include <gtest/gtest.h>

#include <QApplication>

#include "nx/desktop/qt_scripted_toolkit.h"
#endif

namespace nx::testing {

namespace {

[[noreturn]] void Refuse(const std::string& why) {
  std::fprintf(stderr, "NX_SCENARIO_TOOLKIT: %s\n", why.c_str());
  std::fflush(stderr);
  std::abort();
}

#ifdef NX_SCENARIO_TOOLKIT_QT
// The widgets need an application object; the test programs' own main knows nothing of Qt, so
// the first Qt dialog makes one. It goes when the tests are torn down: at exit Qt's own globals
// would already be gone.
class QtApplication final : public ::testing::Environment {
 public:
  QtApplication() : app_(std::make_unique<QApplication>(argc_, argv_)) {}
  void TearDown() override { app_.reset(); }

 private:
  int argc_ = 1;
  char name_[17] = "nx-scenario-test";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QApplication> app_;
};

void EnsureApplication() {
  if (!QApplication::instance()) ::testing::AddGlobalTestEnvironment(new QtApplication);
}
#endif

}  // namespace

std::unique_ptr<pdehost::ScenarioToolkit> MakeScenarioToolkit() {
  const char* env = std::getenv("NX_SCENARIO_TOOLKIT");
  const std::string wanted = env ? env : "";
  if (wanted.empty() || wanted == "headless") return std::make_unique<pdehost::ScenarioToolkit>();
  if (wanted != "qt") Refuse("unknown toolkit \"" + wanted + "\" (headless or qt)");
#ifdef NX_SCENARIO_TOOLKIT_QT
  EnsureApplication();
  return std::make_unique<pdehost::ScenarioToolkit>(nx::desktop::MakeScriptedQtToolkit());
#else
  Refuse("this build has no Qt toolkit");
#endif
}

}  // namespace nx::testing
