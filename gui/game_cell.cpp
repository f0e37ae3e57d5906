#include "gui/game_cell.h"

#include <array>

#include "gui/latin1_text.h"

namespace qvchat2gui {

cchar_t game_cell(unsigned char byte, short color_pair, attr_t attributes) {
    const std::array<wchar_t, 2> shown{shown_character(byte), L'\0'};
    cchar_t cell{};
    setcchar(&cell, shown.data(), attributes, color_pair, nullptr);
    return cell;
}

}  // namespace qvchat2gui
