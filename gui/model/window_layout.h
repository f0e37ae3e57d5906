#pragma once

namespace qvchat2gui {

// Where the windows go on a screen of the given size: the top bar takes three rows, the input box
// three, or up to MAX_INPUT_ROWS text rows in its box for an entry of several lines, the pane for
// the lines for the user the rows asked for (at most a third of the screen), the chat window the
// rest. Neither the input box's extra rows nor the pane ever leave the chat window fewer than
// MIN_CHAT_ROWS text rows: on a small terminal the pane shrinks first, then the input box. No
// boxed window gets fewer than one row or column, so even a tiny terminal gets real windows.
struct WindowLayout {
    static constexpr int AUX_HEIGHT = 3;
    static constexpr int INPUT_HEIGHT = 3;
    static constexpr int MIN_CHAT_ROWS = 5;
    static constexpr int MAX_INPUT_ROWS = 5;

    WindowLayout(int screen_lines, int screen_columns, int pane_rows_wanted = 0,
                 int input_rows_wanted = 1);

    int columns;
    int aux_height;
    int input_height;
    int pane_height;  // 0: no pane
    int main_height;
    int pane_top;
    int main_top;
    int input_top;

    // Text rows inside the chat window's box, and inside the input box.
    int chat_rows() const { return main_height - 2; }
    int input_rows() const { return input_height - 2; }
    // Columns inside a window's box.
    int inner_width() const { return columns - 2; }
};

}  // namespace qvchat2gui
