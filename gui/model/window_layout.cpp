#include "gui/model/window_layout.h"

#include <algorithm>

namespace qvchat2gui {

namespace {

int pane_height_for(int screen_lines, int wanted) {
    const int beside_chat = screen_lines - WindowLayout::AUX_HEIGHT - WindowLayout::INPUT_HEIGHT -
                            (WindowLayout::MIN_CHAT_ROWS + 2);
    return std::max(std::min({wanted, screen_lines / 3, beside_chat}), 0);
}

}  // namespace

WindowLayout::WindowLayout(int screen_lines, int screen_columns, int pane_rows_wanted)
    : columns(std::max(screen_columns, 1)),
      aux_height(AUX_HEIGHT),
      pane_height(pane_height_for(screen_lines, pane_rows_wanted)),
      main_height(std::max(screen_lines - AUX_HEIGHT - INPUT_HEIGHT - pane_height, 1)),
      input_height(INPUT_HEIGHT),
      pane_top(AUX_HEIGHT),
      main_top(AUX_HEIGHT + pane_height),
      input_top(AUX_HEIGHT + pane_height + main_height) {}

}  // namespace qvchat2gui
