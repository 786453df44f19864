// The layout keys only a desktop backend reads (see nx/desktop/qt_toolkit.h), checked and
// bounded: a bad value is dropped, never trusted.
#pragma once

#include <string>
#include <vector>

#include "nx/platform/bundle.h"
#include "nx/platform/toolkit.h"

namespace nx::desktop {

enum class ButtonRole { kNone, kDefault, kCancel, kHelp, kReset };

struct Placement {
  int row = -1;  // -1: below the placed elements
  int column = 0;
  int row_span = 1;
  int column_span = 1;
  int group = 0;  // tag of the enclosing group box; 0: the window itself
  int strip = 0;  // elements of one strip sit side by side in the first one's cell
  int buddy = 0;  // static texts: the control they name
  ButtonRole role = ButtonRole::kNone;
  int rows = 0;       // lists: visible rows
  int min_width = 0;  // pixels
  bool multiple = false;
  bool time_only = false;
  bool align_right = false;
  bool align_top = false;  // buttons beside a taller element
  bool wrap = false;
  std::string name_key;
  std::vector<std::string> column_keys;
};

struct LayoutExtras {
  std::string title_key;
  std::vector<Placement> elements;  // one per element of the layout, in its order
};

// Reads the keys from the same resource LoadLayoutSpec read; `count` placements always (default
// ones when the file cannot be read again).
LayoutExtras LoadLayoutExtras(const platform::Bundle& bundle, std::string_view name, size_t count);
LayoutExtras ParseLayoutExtras(const platform::PropertyValue& root, size_t count);

}  // namespace nx::desktop
