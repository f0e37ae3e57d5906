#pragma once

namespace qvchat2gui {

// Where the three boxed windows go on a screen of the given size: the top bar and the input
// line take three rows each, the chat window the rest. No window gets fewer than one row or
// column, so even a tiny terminal gets real windows.
struct WindowLayout {
    static constexpr int AUX_HEIGHT = 3;
    static constexpr int INPUT_HEIGHT = 3;

    WindowLayout(int screen_lines, int screen_columns);

    int columns;
    int aux_height;
    int main_height;
    int input_height;
    int main_top;
    int input_top;

    // Text rows inside the chat window's box.
    int chat_rows() const { return main_height - 2; }
    // Columns inside a window's box.
    int inner_width() const { return columns - 2; }
};

}  // namespace qvchat2gui
