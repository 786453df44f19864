// The desktop backend of the toolkit interface: each layout becomes a Qt widget tree (views) or
// dialog (windows), alerts are message boxes and open/save panels file dialogs.
//
// Layouts may carry keys that only a desktop needs; the headless toolkit ignores them.
//   Window:  TitleKey (string-table key of the title; the layout's Title is its fallback)
//   Element: Row, Column, RowSpan, ColumnSpan  grid cell (elements without Row go one per row
//                                             below the others)
//            Group      tag of the group box the element sits in (its grid is the group's own)
//            Strip      elements with the same number sit side by side, packed to the left,
//                       in the cell of the first of them
//            Buddy      on a static text: tag of the control it names (its accessible name)
//            Role       default | cancel | help | reset: a button of the window's button row
//                       (help and reset at the left, then Cancel, then the default button)
//            Rows       visible rows of a list
//            Columns    string-table keys of a list's column titles
//            Multiple   a list in which several rows may be selected
//            MinWidth   minimum width in pixels
//            Name       string-table key of the accessible name of a control without a label
//            Style      "time" for a date picker that shows only the time of day
//            Align      "right": a static text set flush right; "top": a button at the top of
//                       its cell (beside a list)
//            Wrap       a static text that wraps to several lines
#pragma once

#include <memory>

#include "nx/platform/toolkit.h"

class QWidget;

namespace nx::desktop {

// A toolkit whose views and windows are Qt widgets. A QApplication must exist first and outlive
// the toolkit and everything it made. Installs Qt's own translations for the user's language
// (LANGUAGE, LC_ALL, LC_MESSAGES, LANG), so that Qt's stock buttons speak it too.
std::unique_ptr<platform::ui::Toolkit> MakeQtToolkit();

// The widget showing `view` (a window's dialog, or a view to put into a tab); null when `view`
// was not made by a Qt toolkit. The view keeps owning it unless it is given a parent.
QWidget* WidgetOf(platform::ui::View& view);

}  // namespace nx::desktop
