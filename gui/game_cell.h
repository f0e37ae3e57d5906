#pragma once

#include <cstdint>
#include <map>

#include "gui/common_gui.h"
#include "gui/curses_api.h"

namespace qvchat2gui {

// The screen cell for one game byte in a colour pair: printable ASCII as it is, a Latin-1 letter
// as the terminal's character for it, anything else as '?'. One column each, never an escape
// sequence.
cchar_t game_cell(unsigned char byte, short color_pair, attr_t attributes = A_NORMAL);

// The style of a chat row's cells as its colour bytes change it: a line for the user is bold (a
// private message also in reverse video) throughout, GM blue is bold, to be readable on black.
class RowStyle {
public:
    RowStyle(const std::map<std::uint8_t, short>& color_pairs, Attention attention);
    // Takes a colour byte into account; false for any other byte.
    bool take_colour(char byte);
    short pair() const { return current_pair; }
    attr_t attributes() const { return current_attributes; }

private:
    const std::map<std::uint8_t, short>& color_pairs;
    const attr_t highlight;
    short current_pair;
    attr_t current_attributes;
};

}  // namespace qvchat2gui
