// The toolkit the dialog tests play their scenarios on: the headless one, or, with
// NX_SCENARIO_TOOLKIT=qt, the Qt scripted user operating real widgets (offscreen), so that every
// scenario of a test program can be checked on both. Linked from nx_scenario_toolkit.
#pragma once

#include <memory>

#include "pdehost/ScenarioToolkit.h"

namespace nx::testing {

// Ends the program with a message when the toolkit asked for is unknown or not built here: a
// run meant for Qt must not pass on the headless toolkit instead.
std::unique_ptr<pdehost::ScenarioToolkit> MakeScenarioToolkit();

}  // namespace nx::testing
