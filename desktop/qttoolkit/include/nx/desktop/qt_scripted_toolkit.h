// The Qt toolkit driven by the headless toolkit's scripts (headless_toolkit.h), for tests that
// play the same user on both: every step operates the real widgets as a user would (a click on
// the button, keys into the field, a choice from the popup), so that only what the user does
// runs an element's action. Modal runs are QDialog::exec loops; each step is taken from the
// event loop of the window in front, so a step that opens a window runs that window's loop,
// which takes the following steps. Alerts and file dialogs are answered by pressing their
// buttons once they show.
#pragma once

#include <memory>

#include "nx/platform/headless_toolkit.h"

class QString;
class QWidget;

namespace nx::desktop {

// A QApplication must exist first and outlive the toolkit and everything it made.
std::unique_ptr<platform::ui::ScriptedToolkit> MakeScriptedQtToolkit();

// Sends the text to the widget as a user's key presses, one character at a time (a surrogate
// pair is one key), so that its validator judges every edit.
void TypeKeys(QWidget* widget, const QString& text);

}  // namespace nx::desktop
