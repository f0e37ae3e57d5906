#include "gui/line_editor.h"

#include <curses.h>

#include <algorithm>

namespace qvchat2gui {

namespace {

std::size_t to_size(int value) {
    return static_cast<std::size_t>(std::max(value, 0));
}

}  // namespace

LineEditor::Outcome LineEditor::handle_key(int key, int inner_width) {
    bool advance = hidden_count(inner_width) == 0;
    Outcome outcome = Outcome::edited;
    switch (key) {
        case KEY_BACKSPACE:
        case KEY_DC:
        case BACKSPACE_KEY:
        case DELETE_KEY:
            advance = erase_before_cursor(inner_width, advance);
            break;
        case KEY_ENTER:
        case '\r':
        case '\n':
            submit();
            outcome = Outcome::submitted;
            break;
        case KEY_UP:
            history_up();
            advance = false;
            break;
        case KEY_DOWN:
            history_down();
            advance = false;
            break;
        case KEY_RIGHT:
            if (edit_position(inner_width) < input_line.size()) {
                ++column;
            }
            advance = false;
            break;
        case KEY_LEFT:
            if (column > 1) {
                --column;
            }
            advance = false;
            break;
        case KEY_PPAGE:
            return Outcome::page_up;
        case KEY_NPAGE:
            return Outcome::page_down;
        case KEY_RESIZE:
            return Outcome::resized;
        case XON_KEY:
        case XOFF_KEY:
            // With the terminal's flow control off these arrive as keys; they mean nothing here.
            return Outcome::edited;
        default:
            // Special keys without a meaning here would otherwise type their low byte.
            if (key < 0 || key > LAST_BYTE_KEY) {
                return Outcome::edited;
            }
            input_line.insert(std::min(edit_position(inner_width), input_line.size()), 1,
                              static_cast<char>(key));
            break;
    }
    place_cursor(advance, inner_width);
    return outcome;
}

void LineEditor::fit_to_width(int inner_width) {
    place_cursor(false, inner_width);
}

const std::string& LineEditor::line() const {
    return input_line;
}

const std::string& LineEditor::submitted_line() const {
    return last_submitted;
}

const std::vector<std::string>& LineEditor::history() const {
    return input_history;
}

std::size_t LineEditor::history_position() const {
    return history_index;
}

std::string LineEditor::visible_text(int inner_width) const {
    return input_line.substr(hidden_count(inner_width));
}

int LineEditor::cursor_column() const {
    return column;
}

std::size_t LineEditor::hidden_count(int inner_width) const {
    const std::size_t width = to_size(inner_width);
    return input_line.size() > width ? input_line.size() - width : 0;
}

std::size_t LineEditor::edit_position(int inner_width) const {
    return to_size(column - 1) + hidden_count(inner_width);
}

bool LineEditor::erase_before_cursor(int inner_width, bool advance) {
    if (input_line.empty()) {
        return advance;
    }
    const std::size_t hidden = hidden_count(inner_width);
    const std::size_t position = edit_position(inner_width);
    if (position > 0 && position <= input_line.size()) {
        input_line.erase(position - 1, 1);
        // While any byte is hidden the shown tail moves right by one under the cursor, which
        // so stays on the same byte; only a fully shown line moves the cursor.
        if (hidden == 0 && column > 1) {
            --column;
        }
    }
    return false;
}

void LineEditor::submit() {
    last_submitted = input_line;
    input_history.push_back(input_line);
    history_index = input_history.size();
    input_line.clear();
}

void LineEditor::history_up() {
    if (history_index > 0) {
        --history_index;
        input_line = input_history[history_index];
    }
}

void LineEditor::history_down() {
    if (history_index + 1 < input_history.size()) {
        ++history_index;
        input_line = input_history[history_index];
    } else {
        input_line.clear();
    }
}

void LineEditor::place_cursor(bool advance, int inner_width) {
    const int after_text = static_cast<int>(visible_text(inner_width).size()) + 1;
    column = std::max(1, std::min(after_text, column + (advance ? 1 : 0)));
}

}  // namespace qvchat2gui
