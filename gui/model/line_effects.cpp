#include "gui/model/line_effects.h"

#include <algorithm>
#include <array>
#include <iterator>

#include "gui/model/chat_text.h"

namespace qvchat2gui {

namespace {

// The bytes the screen's colour table maps, as the curses and the reader front-ends paint them.
constexpr std::array<std::uint8_t, 10> SHOWN_COLOURS{
    DEFAULT_COLOR, 0x81, 2, 9, 16, 23, GM_COLOR, OFF_CHANNEL_COLOR, PM_COLOR, SERVER_COLOR};

}  // namespace

bool is_shown_colour(std::uint8_t byte) {
    return std::find(SHOWN_COLOURS.begin(), SHOWN_COLOURS.end(), byte) != SHOWN_COLOURS.end();
}

std::string recoloured_line(std::string_view line, std::uint8_t colour) {
    std::string recoloured(1, static_cast<char>(colour));
    recoloured.reserve(line.size() + 1);
    std::copy_if(line.begin(), line.end(), std::back_inserter(recoloured),
                 [](char byte) { return !is_shown_colour(static_cast<std::uint8_t>(byte)); });
    return recoloured;
}

}  // namespace qvchat2gui
