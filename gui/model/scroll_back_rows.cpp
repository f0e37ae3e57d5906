#include <algorithm>
#include <tuple>

#include "gui/model/scroll_back.h"

// The scroll-back's display rows: walking them across the texts that hold them, and placing the
// view among them so that it stays where the reader left it.
namespace qvchat2gui {

bool ScrollBack::Position::operator<(const Position& other) const {
    return std::tie(number, row) < std::tie(other.number, other.row);
}

bool ScrollBack::Position::operator==(const Position& other) const {
    return number == other.number && row == other.row;
}

std::size_t ScrollBack::view_rows() const {
    return static_cast<std::size_t>(std::max(rows, 1));
}

std::optional<ScrollBack::Position> ScrollBack::oldest_row() const {
    for (std::uint64_t number = top.number; number < first_number + texts.size(); ++number) {
        if (kept(number).rows > first_row_of(number)) {
            return Position{number, first_row_of(number)};
        }
    }
    return std::nullopt;
}

std::optional<ScrollBack::Position> ScrollBack::newest_row() const {
    for (std::uint64_t number = first_number + texts.size(); number-- > top.number;) {
        if (kept(number).rows > first_row_of(number)) {
            return Position{number, kept(number).rows - 1};
        }
    }
    return std::nullopt;
}

std::uint32_t ScrollBack::first_row_of(std::uint64_t number) const {
    return number == top.number ? top.row : 0;
}

ScrollBack::Position ScrollBack::step_back(Position from, std::size_t count) const {
    Position at = from;
    while (count > 0) {
        const std::uint32_t first = first_row_of(at.number);
        if (at.row > first) {
            const auto taken =
                static_cast<std::uint32_t>(std::min<std::size_t>(count, at.row - first));
            at.row -= taken;
            count -= taken;
            continue;
        }
        std::uint64_t number = at.number;
        while (number > top.number && kept(number - 1).rows <= first_row_of(number - 1)) {
            --number;
        }
        if (number <= top.number) {
            break;
        }
        at = {number - 1, kept(number - 1).rows - 1};
        --count;
    }
    return at;
}

ScrollBack::Position ScrollBack::step_forward(Position from, std::size_t count) const {
    const std::uint64_t end = first_number + texts.size();
    Position at = from;
    while (count > 0) {
        const std::uint32_t text_rows = kept(at.number).rows;
        if (at.row + 1 < text_rows) {
            const auto taken =
                static_cast<std::uint32_t>(std::min<std::size_t>(count, text_rows - 1 - at.row));
            at.row += taken;
            count -= taken;
            continue;
        }
        std::uint64_t number = at.number + 1;
        while (number < end && kept(number).rows == 0) {
            ++number;
        }
        if (number >= end) {
            break;
        }
        at = {number, 0};
        --count;
    }
    return at;
}

std::optional<ScrollBack::Position> ScrollBack::lowest_view_floor() const {
    const std::optional<Position> oldest = oldest_row();
    if (!oldest) {
        return std::nullopt;
    }
    return step_forward(*oldest, view_rows() - 1);
}

void ScrollBack::show_at(Position bottom) {
    const std::optional<Position> newest = newest_row();
    const std::optional<Position> floor = lowest_view_floor();
    if (!newest || !floor) {
        set_following();
        return;
    }
    Position shown = bottom;
    if (shown < *floor) {
        shown = *floor;
    } else if (shown < *newest && kept(shown.number).rows <= shown.row) {
        // Its text shows fewer rows now (a blank text hidden): the row above it, or the floor.
        shown = std::max(*floor, step_back(Position{shown.number, first_row_of(shown.number)}, 1));
    }
    if (!(shown < *newest)) {
        set_following();
        return;
    }
    following = false;
    view_bottom = shown;
}

void ScrollBack::set_following() {
    following = true;
    unseen_count = UnseenCount{};
}

ScrollBack::Place ScrollBack::place_of(Position position) const {
    const std::vector<PieceRange> pieces = shown_pieces(position.number);
    std::size_t visible_bytes = 0;
    for (std::size_t row = 0; row <= position.row && row < pieces.size(); ++row) {
        visible_bytes += piece_display_size(text_of(position.number), pieces[row]);
    }
    return {position.number, visible_bytes};
}

// The first row of the place's text that reaches as far into it, else that text's last row; the
// newest row before it when the text shows no row now, and the oldest row when none is older.
ScrollBack::Position ScrollBack::position_of(const Place& place) const {
    const std::optional<Position> oldest = oldest_row();
    if (!oldest || place.text_number < oldest->number) {
        return oldest.value_or(Position{first_number, 0});
    }
    const std::uint32_t text_rows = kept(place.text_number).rows;
    if (text_rows <= first_row_of(place.text_number)) {
        return step_back(Position{place.text_number, first_row_of(place.text_number)}, 1);
    }
    const std::vector<PieceRange> pieces = shown_pieces(place.text_number);
    std::size_t visible_bytes = 0;
    for (std::uint32_t row = 0; row < text_rows; ++row) {
        visible_bytes += piece_display_size(text_of(place.text_number), pieces[row]);
        if (visible_bytes >= place.visible_bytes) {
            return {place.text_number, std::max(row, first_row_of(place.text_number))};
        }
    }
    return {place.text_number, text_rows - 1};
}

}  // namespace qvchat2gui
