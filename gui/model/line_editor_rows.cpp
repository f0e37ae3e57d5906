#include <algorithm>
#include <string>
#include <vector>

#include "gui/model/entry_lines.h"
#include "gui/model/line_editor.h"

// The rows of the input box that an entry of several lines fills, and the entry as a whole.
namespace qvchat2gui {

// Only the shown bytes are copied: a key typed into a long line costs the width, not the line.
std::string LineEditor::shown_from(std::size_t start) const {
    const std::size_t end = entry_line_end(input_line, start);
    return input_line.substr(start, std::min(width, end - start));
}

std::vector<std::string> LineEditor::visible_rows() const {
    if (!held_paste.empty() || search.active) {
        return {visible_text()};
    }
    std::vector<std::string> rows;
    for (const std::size_t start : visible_row_starts()) {
        rows.push_back(shown_from(start));
    }
    return rows;
}

std::size_t LineEditor::box_rows() const {
    if (!held_paste.empty() || search.active) {
        return 1;
    }
    return std::min(entry_line_count(input_line), MAX_ENTRY_ROWS);
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
    const std::size_t cursor_line = entry_line_index(input_line, cursor);
    std::vector<std::size_t> starts;
    std::size_t line_start = 0;
    for (std::size_t index = 0; starts.size() < MAX_ENTRY_ROWS; ++index) {
        const std::size_t line_end = entry_line_end(input_line, line_start);
        if (index >= first_row) {
            // Only the cursor's line is scrolled sideways: the others show how they begin.
            const bool shifted = index == cursor_line;
            starts.push_back(line_start +
                             (shifted ? std::min(view_offset, line_end - line_start) : 0));
        }
        if (line_end == input_line.size()) {
            break;
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
