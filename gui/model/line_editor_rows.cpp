#include <algorithm>
#include <string>
#include <vector>

#include "gui/model/entry_lines.h"
#include "gui/model/line_editor.h"

// The rows of the input box that an entry of several lines fills, and the entry as a whole.
namespace qvchat2gui {

std::string LineEditor::shown_part(const std::string& line) const {
    return line.substr(std::min(view_offset, line.size()), width);
}

std::vector<std::string> LineEditor::visible_rows() const {
    const std::size_t lines = entry_line_count(input_line);
    if (!held_paste.empty() || search.active || lines == 1) {
        return {visible_text()};
    }
    const std::size_t cursor_line = entry_line_index(input_line, cursor);
    std::vector<std::string> rows;
    for (std::size_t index = first_row; index < lines && rows.size() < MAX_ENTRY_ROWS; ++index) {
        const std::string line = entry_line(input_line, index);
        // Only the cursor's line is scrolled sideways: the others show how they begin.
        rows.push_back(index == cursor_line ? shown_part(line) : line.substr(0, width));
    }
    return rows;
}

int LineEditor::cursor_row() const {
    if (!held_paste.empty() || search.active) {
        return 0;
    }
    return static_cast<int>(entry_line_index(input_line, cursor) - first_row);
}

std::size_t LineEditor::cursor_position() const {
    return cursor;
}

void LineEditor::replace_entry(const std::string& entry, std::size_t new_cursor) {
    const bool was_at_tail = view_offset == tail_offset(width);
    input_line = entry;
    cursor = std::min(new_cursor, input_line.size());
    settle_view(was_at_tail);
}

std::vector<std::size_t> LineEditor::visible_row_starts() const {
    if (!held_paste.empty() || search.active) {
        return {};
    }
    const std::size_t lines = entry_line_count(input_line);
    const std::size_t cursor_line = entry_line_index(input_line, cursor);
    std::vector<std::size_t> starts;
    std::size_t line_start = 0;
    for (std::size_t index = 0; index < lines; ++index) {
        const std::size_t line_end = entry_line_end(input_line, line_start);
        if (index >= first_row && starts.size() < MAX_ENTRY_ROWS) {
            const bool shifted = index == cursor_line || lines == 1;
            starts.push_back(line_start +
                             (shifted ? std::min(view_offset, line_end - line_start) : 0));
        }
        line_start = line_end + 1;
    }
    return starts;
}

std::size_t LineEditor::entry_lines() const {
    return entry_line_count(input_line);
}

std::size_t LineEditor::cursor_line() const {
    return entry_line_index(input_line, cursor);
}

}  // namespace qvchat2gui
