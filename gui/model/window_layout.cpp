#include "gui/model/window_layout.h"

#include <algorithm>

namespace qvchat2gui {

WindowLayout::WindowLayout(int screen_lines, int screen_columns)
    : columns(std::max(screen_columns, 1)),
      aux_height(AUX_HEIGHT),
      main_height(std::max(screen_lines - AUX_HEIGHT - INPUT_HEIGHT, 1)),
      input_height(INPUT_HEIGHT),
      main_top(AUX_HEIGHT),
      input_top(AUX_HEIGHT + main_height) {}

}  // namespace qvchat2gui
