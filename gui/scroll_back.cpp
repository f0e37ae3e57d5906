#include "gui/scroll_back.h"

#include <algorithm>
#include <iterator>
#include <optional>
#include <utility>

#include "gui/text_wrap.h"

namespace qvchat2gui {

ScrollBack::ScrollBack(int columns, int rows) : columns(columns), rows(rows) {}

void ScrollBack::add(const std::string& text, Attention attention, TimeStamp stamp) {
    const std::size_t count_before = display.size();
    received.push_back({text, attention, stamp, next_text_number++});
    append_wrapped(received.back());
    if (offset > 0) {
        ++unseen_count.lines;
        unseen_count.for_user += attention == Attention::none ? 0 : 1;
        if (display.size() > count_before) {
            offset += display.size() - count_before;
        }
    }
    trim();
}

void ScrollBack::resize(int new_columns, int new_rows) {
    rows = new_rows;
    if (new_columns != columns) {
        // Counted from the newest row, the view would land elsewhere once the texts below it
        // take more or fewer rows: it is found again by what it showed.
        const std::optional<Place> lowest_shown =
            offset > 0 ? std::optional(lowest_shown_place()) : std::nullopt;
        columns = new_columns;
        display.clear();
        blank_lines = 0;
        for (const Received& text : received) {
            append_wrapped(text);
        }
        if (lowest_shown && !display.empty()) {
            offset = display.size() - 1 - row_of(*lowest_shown);
        }
    }
    trim();
}

void ScrollBack::page_up() {
    scroll_up(view_rows());
}

void ScrollBack::page_down() {
    scroll_down(view_rows());
}

void ScrollBack::scroll_up(std::size_t lines) {
    set_offset(std::min(offset + lines, max_offset()));
}

void ScrollBack::scroll_down(std::size_t lines) {
    set_offset(offset - std::min(offset, lines));
}

void ScrollBack::follow_newest() {
    set_offset(0);
}

bool ScrollBack::is_scrolled_back() const {
    return offset > 0;
}

UnseenCount ScrollBack::unseen() const {
    return unseen_count;
}

std::vector<std::string> ScrollBack::lines() const {
    std::vector<std::string> texts;
    texts.reserve(display.size());
    for (const ShownLine& line : display) {
        texts.push_back(line.text);
    }
    return texts;
}

std::vector<ShownLine> ScrollBack::visible_lines() const {
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

ScrollBack::Place ScrollBack::lowest_shown_place() const {
    const std::size_t lowest = display.size() - 1 - offset;
    const std::uint64_t number = display[lowest].text_number;
    std::size_t visible_bytes = 0;
    for (std::size_t row = lowest + 1; row-- > 0 && display[row].text_number == number;) {
        visible_bytes += display_size(display[row].text);
    }
    return {number, visible_bytes};
}

// The first row of the place's text that reaches as far into it, else that text's last row; the
// newest row before it when the text shows no row now (a blank one), and row 0 when none is
// older. Rows are in the order of their texts, so both ends of the text are found by halving.
std::size_t ScrollBack::row_of(const Place& place) const {
    const auto after = std::upper_bound(
        display.begin(), display.end(), place.text_number,
        [](std::uint64_t number, const ShownLine& line) { return number < line.text_number; });
    if (after == display.begin()) {
        return 0;
    }
    const auto first = std::lower_bound(
        display.begin(), after, place.text_number,
        [](const ShownLine& line, std::uint64_t number) { return line.text_number < number; });
    std::size_t visible_bytes = 0;
    for (auto row = first; row != after; ++row) {
        visible_bytes += display_size(row->text);
        if (visible_bytes >= place.visible_bytes) {
            return static_cast<std::size_t>(row - display.begin());
        }
    }
    return static_cast<std::size_t>(after - display.begin()) - 1;
}

void ScrollBack::set_offset(std::size_t new_offset) {
    offset = new_offset;
    if (offset == 0) {
        unseen_count = UnseenCount{};
    }
}

// The same lines as word_wrap(text, display, ...) leaves: a text that is cut also removes every
// blank line kept. The blank lines are counted, so that the look for them is made only when
// there is one: that look cost more than the rest of a line's way to the screen.
void ScrollBack::append_wrapped(const Received& received_text) {
    const int full_width = wrap_width(columns);
    // A window too narrow for a time stamp and text shows the text alone.
    const bool stamped = received_text.stamp >= 0 && full_width > STAMP_WIDTH;
    const int width = stamped ? full_width - STAMP_WIDTH : full_width;
    const TimeStamp first_stamp = stamped ? received_text.stamp : NO_STAMP;
    if (!cuts_text(received_text.text, width)) {
        // Most texts fit on one row: they go in as they are.
        if (width > 0) {
            blank_lines += is_empty_string(received_text.text) ? 1 : 0;
            display.push_back(
                {received_text.text, first_stamp, received_text.attention, received_text.number});
        }
        return;
    }
    if (blank_lines > 0) {
        remove_blank_lines();
    }
    pieces.clear();
    cut_text(received_text.text, pieces, width);
    TimeStamp stamp = first_stamp;
    for (std::string& piece : pieces) {
        if (!is_empty_string(piece)) {
            display.push_back(
                {std::move(piece), stamp, received_text.attention, received_text.number});
            stamp = stamped ? CONTINUED_TEXT : NO_STAMP;
        }
    }
}

void ScrollBack::remove_blank_lines() {
    display.erase(std::remove_if(display.begin(), display.end(),
                                 [](const ShownLine& line) { return is_empty_string(line.text); }),
                  display.end());
    blank_lines = 0;
}

void ScrollBack::trim() {
    if (display.size() > MAX_LEN) {
        const auto dropped_end =
            display.begin() + static_cast<std::ptrdiff_t>(display.size() - MAX_LEN);
        if (blank_lines > 0) {
            blank_lines -= static_cast<std::size_t>(
                std::count_if(display.begin(), dropped_end,
                              [](const ShownLine& line) { return is_empty_string(line.text); }));
        }
        display.erase(display.begin(), dropped_end);
    }
    // A received text shows as at least one display line unless it is blank, so older texts
    // cannot reach the kept lines again on a re-wrap.
    while (received.size() > MAX_LEN) {
        received.pop_front();
    }
    set_offset(std::min(offset, max_offset()));
}

}  // namespace qvchat2gui
