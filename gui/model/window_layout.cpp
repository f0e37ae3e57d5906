#include "gui/model/window_layout.h"

#include <algorithm>

namespace qvchat2gui {

namespace {

// The rows a window may take beside the top bar, the given input box and the smallest chat.
int rows_beside_chat(int screen_lines, int input_height) {
    return screen_lines - WindowLayout::AUX_HEIGHT - input_height -
           (WindowLayout::MIN_CHAT_ROWS + 2);
}

int input_height_for(int screen_lines, int wanted) {
    const int extra_rows = std::min(std::clamp(wanted, 1, WindowLayout::MAX_INPUT_ROWS) - 1,
                                    rows_beside_chat(screen_lines, WindowLayout::INPUT_HEIGHT));
    return WindowLayout::INPUT_HEIGHT + std::max(extra_rows, 0);
}

int pane_height_for(int screen_lines, int input_height, int wanted) {
    return std::max(
        std::min({wanted, screen_lines / 3, rows_beside_chat(screen_lines, input_height)}), 0);
}

}  // namespace

WindowLayout::WindowLayout(int screen_lines, int screen_columns, int pane_rows_wanted,
                           int input_rows_wanted)
    : columns(std::max(screen_columns, 1)),
      aux_height(AUX_HEIGHT),
      input_height(input_height_for(screen_lines, input_rows_wanted)),
      pane_height(pane_height_for(screen_lines, input_height, pane_rows_wanted)),
      main_height(std::max(screen_lines - AUX_HEIGHT - input_height - pane_height, 1)),
      pane_top(AUX_HEIGHT),
      main_top(AUX_HEIGHT + pane_height),
      input_top(AUX_HEIGHT + pane_height + main_height) {}

}  // namespace qvchat2gui
