#pragma once

// Terminal settings the front-end makes beyond what curses does. Screen lock held for each.
#include <string_view>

#include "gui/terminal_output.h"

namespace qvchat2gui {

// Bracketed paste (the terminal marks pasted text, so that a paste is never taken for typed
// lines) and focus reports (the terminal says when it gains and loses the focus). On while the
// screen is open, off whenever it closes or the program stops.
void set_terminal_reports(bool on);

// Gives the paste markers, the focus reports and Ctrl with Left or Right, which curses does not
// know for every terminal, key codes of their own.
void define_editing_keys();

// Leaves curses mode and stops the program as Ctrl-Z would; returns once it goes on (fg). The
// caller holds the screen lock and paints the whole screen again afterwards.
void stop_like_ctrl_z();

}  // namespace qvchat2gui
