#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace qvchat2gui {

// Key codes that arrive as plain bytes: the two erase keys, and the highest code that is a
// byte rather than a special key.
constexpr int BACKSPACE_KEY = 8;
constexpr int DELETE_KEY = 127;
constexpr int LAST_BYTE_KEY = 255;
// Ctrl-Q and Ctrl-S, the terminal's flow-control keys.
constexpr int XON_KEY = 0x11;
constexpr int XOFF_KEY = 0x13;

// The one-line editor of the input window: the line, its history and the cursor, with
// horizontal scrolling. A line longer than the window shows its last inner-width bytes.
// Knows nothing of the screen: keys come in as curses key codes, the front-end paints
// visible_text() and puts the cursor at cursor_column().
class LineEditor {
public:
    // What the front-end has to do after a key, besides repainting the line.
    enum class Outcome { edited, submitted, page_up, page_down, resized };

    // Applies one key for a window with inner_width columns inside its box. A submitted line
    // is in submitted_line() until the next key.
    Outcome handle_key(int key, int inner_width);
    // Fits the cursor to a new inner width (after a terminal resize).
    void fit_to_width(int inner_width);

    const std::string& line() const;
    const std::string& submitted_line() const;
    const std::vector<std::string>& history() const;
    std::size_t history_position() const;
    // The bytes shown: the last inner_width bytes of the line.
    std::string visible_text(int inner_width) const;
    // Column of the cursor inside the box; 1 is the first byte shown.
    int cursor_column() const;

private:
    std::size_t hidden_count(int inner_width) const;
    std::size_t edit_position(int inner_width) const;
    // Returns whether the cursor should move right with the text.
    bool erase_before_cursor(int inner_width, bool advance);
    void submit();
    void history_up();
    void history_down();
    void place_cursor(bool advance, int inner_width);

    std::string input_line;
    std::string last_submitted;
    std::vector<std::string> input_history;
    std::size_t history_index = 0;
    int column = 1;
};

}  // namespace qvchat2gui
