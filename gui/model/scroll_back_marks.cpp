#include <algorithm>
#include <utility>

#include "gui/model/scroll_back.h"

// The scroll-back's marks for the reader: the lines that call for the user's attention, to jump
// between, and the row that marks where the lines not yet read begin.
namespace qvchat2gui {

void ScrollBack::keep_read_marker() {
    read_marker_due = false;
    Kept marker{};
    marker.slot = store.append("");
    marker.stamp = NO_STAMP;
    marker.read_marker = true;
    texts.push_back(marker);
    const std::uint64_t number = first_number + texts.size() - 1;
    read_marker_text = number;
    wrap(number);
    reachable_rows += kept(number).rows;
    if (!following) {
        show_at(view_bottom);
    }
}

void ScrollBack::set_read_marker() {
    clear_read_marker();
    read_marker_due = true;
}

void ScrollBack::clear_read_marker() {
    read_marker_due = false;
    const std::optional<std::uint64_t> marker = std::exchange(read_marker_text, std::nullopt);
    if (!marker || *marker < first_number) {
        return;
    }
    Kept& row = kept(*marker);
    if (*marker >= top.number) {
        reachable_rows -= row.rows - std::min(row.rows, first_row_of(*marker));
    }
    row.rows = 0;
    if (!following) {
        show_at(view_bottom);
    }
}

bool ScrollBack::show_read_marker() {
    if (!read_marker_text || *read_marker_text < top.number ||
        kept(*read_marker_text).rows <= first_row_of(*read_marker_text)) {
        return false;
    }
    show_at(step_forward(Position{*read_marker_text, 0}, view_rows() - 1));
    return true;
}

std::optional<std::uint64_t> ScrollBack::lowest_text_shown() const {
    const std::optional<Position> newest = newest_row();
    if (!newest) {
        return std::nullopt;
    }
    return following ? newest->number : view_bottom.number;
}

// The lines for the user out of sight (another view's, or ignored) are passed over.
std::optional<std::uint64_t> ScrollBack::for_user_before(std::uint64_t number) const {
    auto at = std::lower_bound(for_user_texts.begin(), for_user_texts.end(), number);
    while (at != for_user_texts.begin() && *(at - 1) >= top.number) {
        --at;
        if (!hidden(kept(*at))) {
            return *at;
        }
    }
    return std::nullopt;
}

std::optional<std::uint64_t> ScrollBack::for_user_after(std::uint64_t number) const {
    for (auto at =
             std::max(std::upper_bound(for_user_texts.begin(), for_user_texts.end(), number),
                      std::lower_bound(for_user_texts.begin(), for_user_texts.end(), top.number));
         at != for_user_texts.end(); ++at) {
        if (!hidden(kept(*at))) {
            return *at;
        }
    }
    return std::nullopt;
}

std::pair<std::size_t, std::size_t> ScrollBack::for_user_place(std::uint64_t number) const {
    std::size_t place = 0;
    std::size_t count = 0;
    for (auto at = std::lower_bound(for_user_texts.begin(), for_user_texts.end(), top.number);
         at != for_user_texts.end(); ++at) {
        if (!hidden(kept(*at))) {
            ++count;
            place += *at < number ? 1 : 0;
        }
    }
    return {place + 1, count};
}

}  // namespace qvchat2gui
