// nxfax --screenshots: every panel, every window the panels open and every alert met on the
// way, rendered to PNG files named after their layouts, filled with sample data.
#pragma once

#include <QString>
#include <memory>
#include <string>

#include "FaxWindow.h"
#include "nx/platform/toolkit.h"

namespace nx::platform {
class Services;
}

namespace nxfax {

// Wraps the desktop toolkit so that the pictures of alerts can be named after their keys.
std::unique_ptr<nx::platform::ui::Toolkit> MakeScreenshotToolkit(std::unique_ptr<nx::platform::ui::Toolkit> inner);

// Renders into `dir` (made when missing), printing "FILE<TAB>window title" for each picture.
// The panels come from `setup` with its PPD; preferences and phonebooks must already point to
// a scratch folder. The exit status: 0, or 2 when a window would not close, 4 when the
// plug-ins could not be loaded.
int RunScreenshots(nx::platform::Services& services, const FaxSetup& setup, const QString& dir);

}  // namespace nxfax
