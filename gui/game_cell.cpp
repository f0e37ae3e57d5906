#include "gui/game_cell.h"

#include <array>

#include "gui/model/latin1_text.h"

namespace qvchat2gui {

cchar_t game_cell(unsigned char byte, short color_pair, attr_t attributes) {
    const std::array<wchar_t, 2> shown{shown_character(byte), L'\0'};
    cchar_t cell{};
    setcchar(&cell, shown.data(), attributes, color_pair, nullptr);
    return cell;
}

namespace {

attr_t attention_attributes(Attention attention) {
    switch (attention) {
        case Attention::private_message:
            return A_BOLD | A_REVERSE;
        case Attention::for_user:
            return A_BOLD;
        case Attention::none:
            break;
    }
    return A_NORMAL;
}

}  // namespace

RowStyle::RowStyle(const std::map<std::uint8_t, short>& color_pairs, Attention attention)
    : color_pairs(color_pairs),
      highlight(attention_attributes(attention)),
      current_pair(color_pairs.at(DEFAULT_COLOR)),
      current_attributes(highlight) {}

bool RowStyle::take_colour(char byte) {
    const auto colour = color_pairs.find(static_cast<std::uint8_t>(byte));
    if (colour == color_pairs.end()) {
        return false;
    }
    current_pair = colour->second;
    current_attributes = highlight | (byte == static_cast<char>(GM_COLOR) ? A_BOLD : A_NORMAL);
    return true;
}

}  // namespace qvchat2gui
