#include "gui/scroll_back.h"

#include <algorithm>
#include <iterator>
#include <utility>

#include "gui/text_wrap.h"

namespace qvchat2gui {

ScrollBack::ScrollBack(int columns, int rows) : columns(columns), rows(rows) {}

void ScrollBack::add(const std::string& text) {
    const std::size_t count_before = display.size();
    received.push_back(text);
    append_wrapped(text);
    if (offset > 0 && display.size() > count_before) {
        offset += display.size() - count_before;
    }
    trim();
}

void ScrollBack::resize(int new_columns, int new_rows) {
    rows = new_rows;
    if (new_columns != columns) {
        columns = new_columns;
        display.clear();
        blank_lines = 0;
        for (const std::string& text : received) {
            append_wrapped(text);
        }
    }
    trim();
}

void ScrollBack::page_up() {
    offset = std::min(offset + view_rows(), max_offset());
}

void ScrollBack::page_down() {
    offset -= std::min(offset, view_rows());
}

void ScrollBack::follow_newest() {
    offset = 0;
}

bool ScrollBack::is_scrolled_back() const {
    return offset > 0;
}

std::vector<std::string> ScrollBack::lines() const {
    return {display.begin(), display.end()};
}

std::vector<std::string> ScrollBack::visible_lines() const {
    const std::size_t end = display.size() - offset;
    const std::size_t begin = end > view_rows() ? end - view_rows() : 0;
    return {display.begin() + static_cast<std::ptrdiff_t>(begin),
            display.begin() + static_cast<std::ptrdiff_t>(end)};
}

std::size_t ScrollBack::view_rows() const {
    return static_cast<std::size_t>(std::max(rows, 1));
}

std::size_t ScrollBack::max_offset() const {
    return display.size() > view_rows() ? display.size() - view_rows() : 0;
}

// The same lines as word_wrap(text, display, ...) leaves, without its look at every kept line
// for blank ones to remove while there are none: that look cost more than the rest of a line's
// way to the screen.
void ScrollBack::append_wrapped(const std::string& text) {
    if (blank_lines > 0) {
        // Wrapping removes blank lines anywhere in the list it is given: give it all of them.
        std::vector<std::string> all(std::make_move_iterator(display.begin()),
                                     std::make_move_iterator(display.end()));
        word_wrap(text, all, wrap_width(columns));
        display.assign(std::make_move_iterator(all.begin()), std::make_move_iterator(all.end()));
        blank_lines = static_cast<std::size_t>(
            std::count_if(display.begin(), display.end(), is_empty_string));
        return;
    }
    pieces.clear();
    word_wrap(text, pieces, wrap_width(columns));
    for (std::string& piece : pieces) {
        blank_lines += is_empty_string(piece) ? 1 : 0;
        display.push_back(std::move(piece));
    }
}

void ScrollBack::trim() {
    if (display.size() > MAX_LEN) {
        const auto dropped_end =
            display.begin() + static_cast<std::ptrdiff_t>(display.size() - MAX_LEN);
        if (blank_lines > 0) {
            blank_lines -= static_cast<std::size_t>(
                std::count_if(display.begin(), dropped_end, is_empty_string));
        }
        display.erase(display.begin(), dropped_end);
    }
    // A received text shows as at least one display line unless it is blank, so older texts
    // cannot reach the kept lines again on a re-wrap.
    while (received.size() > MAX_LEN) {
        received.pop_front();
    }
    offset = std::min(offset, max_offset());
}

}  // namespace qvchat2gui
