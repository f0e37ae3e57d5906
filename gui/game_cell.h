#pragma once

#include "gui/curses_api.h"

namespace qvchat2gui {

// The screen cell for one game byte in a colour pair: printable ASCII as it is, a Latin-1 letter
// as the terminal's character for it, anything else as '?'. One column each, never an escape
// sequence.
cchar_t game_cell(unsigned char byte, short color_pair, attr_t attributes = A_NORMAL);

}  // namespace qvchat2gui
