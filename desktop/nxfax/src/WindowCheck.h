// What a user of a window relies on, checked on the window as it is shown: a title, a name for
// every control, nothing overlapping, the window on a small screen, every text whole, and in a
// Japanese session no English left in the window's own texts.
#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace nxfax {

// The smallest screen the windows must fit.
constexpr int kSmallScreenWidth = 1024;
constexpr int kSmallScreenHeight = 768;

// One line per fault, naming the widget; empty when the window is sound. `japanese`: the
// session's language is Japanese, so the window's own texts must be too.
QStringList WindowFaults(QWidget* window, bool japanese);

}  // namespace nxfax
