#include "gui/model/scroll_back.h"

#include <algorithm>

namespace qvchat2gui {

namespace {

// The pieces of a cut text that show something: the blank ones take no row.
void append_visible_pieces(std::string_view text, int width, std::vector<PieceRange>& pieces) {
    const std::size_t first = pieces.size();
    cut_ranges(text, width, pieces);
    pieces.erase(
        std::remove_if(pieces.begin() + static_cast<std::ptrdiff_t>(first), pieces.end(),
                       [text](const PieceRange& piece) { return is_empty_piece(text, piece); }),
        pieces.end());
}

}  // namespace

ScrollBack::ScrollBack(int columns, int rows, std::size_t kept_texts, std::size_t max_bytes)
    : columns(columns), rows(rows), kept_texts(kept_texts), max_bytes(max_bytes) {}

void ScrollBack::add(std::string_view text, Attention attention, TimeStamp stamp, ViewTag view) {
    keep(text, attention, stamp, false, view);
}

void ScrollBack::add_ignored(std::string_view text, TimeStamp stamp) {
    keep(text, Attention::none, stamp, true, EVERY_VIEW);
}

void ScrollBack::show_view(std::optional<ViewTag> view) {
    if (view != shown_view) {
        shown_view = view;
        place_all_rows();
    }
}

bool ScrollBack::hidden(const Kept& text) const {
    return text.folded || (text.ignored && !ignored_shown) ||
           (shown_view && text.view != EVERY_VIEW && text.view != *shown_view);
}

void ScrollBack::show_ignored(bool shown) {
    if (shown != ignored_shown) {
        const std::optional<Place> lowest_shown =
            following ? std::nullopt : std::optional(place_of(view_bottom));
        ignored_shown = shown;
        place_all_rows();
        if (lowest_shown) {
            show_at(position_of(*lowest_shown));
        }
    }
}

void ScrollBack::show_stamps(bool shown) {
    if (shown != stamps_shown) {
        relayout([this, shown] { stamps_shown = shown; });
    }
}

void ScrollBack::keep_texts(std::size_t count) {
    if (count != kept_texts) {
        relayout([this, count] { kept_texts = count; });
    }
}

template <typename Change>
void ScrollBack::relayout(Change change) {
    const std::optional<Place> lowest_shown =
        following ? std::nullopt : std::optional(place_of(view_bottom));
    change();
    rewrap();
    if (lowest_shown) {
        show_at(position_of(*lowest_shown));
    }
}

void ScrollBack::keep(std::string_view text, Attention attention, TimeStamp stamp, bool ignored,
                      ViewTag view) {
    Kept added{};
    added.stamp = stamp;
    added.attention = attention;
    added.ignored = ignored;
    added.view = view;
    const bool out_of_sight = hidden(added);
    if (read_marker_due && !out_of_sight) {
        keep_read_marker();
    }
    texts.push_back(added);
    texts.back().slot = store.append(text);
    const std::uint64_t number = first_number + texts.size() - 1;
    if (attention != Attention::none && !ignored) {
        for_user_texts.push_back(number);
    }
    wrap(number);
    reachable_rows += kept(number).rows;
    if (!following && !out_of_sight) {
        if (unseen_count.lines == 0) {
            first_unseen = number;
        }
        ++unseen_count.lines;
        unseen_count.for_user += attention == Attention::none ? 0 : 1;
    }
    trim();
    if (!following) {
        show_at(view_bottom);
    }
}

std::size_t ScrollBack::kept_bytes() const {
    constexpr std::size_t number_bytes = sizeof(std::uint64_t);
    return store.bytes() + texts.size() * sizeof(Kept) +
           (for_user_texts.size() + shown_blank_texts.size()) * number_bytes;
}

void ScrollBack::resize(int new_columns, int new_rows) {
    // Counted in rows, the view would land elsewhere once the texts take more or fewer rows: it
    // is found again by what it showed.
    const std::optional<Place> lowest_shown =
        following ? std::nullopt : std::optional(place_of(view_bottom));
    rows = new_rows;
    if (new_columns != columns) {
        columns = new_columns;
        rewrap();
    }
    if (lowest_shown) {
        show_at(position_of(*lowest_shown));
    }
}

void ScrollBack::rewrap() {
    shown_blank_texts.clear();
    top = {first_number, 0};
    reachable_rows = 0;
    for (std::uint64_t number = first_number; number < first_number + texts.size(); ++number) {
        wrap(number);
        reachable_rows += kept(number).rows;
    }
    trim();
}

void ScrollBack::place_all_rows() {
    shown_blank_texts.clear();
    top = {first_number, 0};
    reachable_rows = 0;
    for (std::uint64_t number = first_number; number < first_number + texts.size(); ++number) {
        place_rows(number);
        reachable_rows += kept(number).rows;
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
    const std::optional<Position> newest = newest_row();
    if (newest) {
        show_at(step_back(following ? *newest : view_bottom, lines));
    }
}

void ScrollBack::scroll_down(std::size_t lines) {
    if (following) {
        set_following();
        return;
    }
    show_at(step_forward(view_bottom, lines));
}

void ScrollBack::show_oldest() {
    const std::optional<Position> floor = lowest_view_floor();
    if (floor) {
        show_at(*floor);
    }
}

void ScrollBack::follow_newest() {
    set_following();
}

bool ScrollBack::is_scrolled_back() const {
    return !following;
}

UnseenCount ScrollBack::unseen() const {
    return unseen_count;
}

void ScrollBack::hold_view() {
    const std::optional<Position> newest = newest_row();
    if (following && newest) {
        following = false;
        view_bottom = *newest;
    }
}

ScrollBack::ViewMark ScrollBack::view_mark() const {
    ViewMark mark;
    mark.following = following;
    mark.number = view_bottom.number;
    mark.row = view_bottom.row;
    mark.unseen = unseen_count;
    mark.first_unseen = first_unseen;
    mark.end = text_end();
    return mark;
}

void ScrollBack::return_to(const ViewMark& mark) {
    if (mark.following) {
        set_following();
        return;
    }
    show_at(Position{mark.number, mark.row});
    if (!following) {
        count_unseen_since(mark);
    }
}

// What was unseen when the mark was taken, and the texts in sight added since, as they would
// have been counted had the view been shown all along: another view may have been shown meanwhile.
void ScrollBack::count_unseen_since(const ViewMark& mark) {
    unseen_count = mark.unseen;
    first_unseen = mark.first_unseen;
    for (std::uint64_t number = std::max(mark.end, first_number); number < text_end(); ++number) {
        const Kept& text = kept(number);
        if (hidden(text) || text.read_marker) {
            continue;
        }
        if (unseen_count.lines == 0) {
            first_unseen = number;
        }
        ++unseen_count.lines;
        unseen_count.for_user += text.attention == Attention::none ? 0 : 1;
    }
}

std::uint64_t ScrollBack::first_reachable_text() const {
    return top.number;
}

std::uint64_t ScrollBack::text_end() const {
    return first_number + texts.size();
}

std::string_view ScrollBack::text(std::uint64_t number) const {
    return text_of(number);
}

TimeStamp ScrollBack::shown_stamp(std::uint64_t number) const {
    return stamps_shown ? kept(number).stamp : NO_STAMP;
}

TimeStamp ScrollBack::stamp(std::uint64_t number) const {
    return kept(number).stamp;
}

bool ScrollBack::is_out_of_sight(std::uint64_t number) const {
    return hidden(kept(number)) || kept(number).read_marker;
}

void ScrollBack::show_text(std::uint64_t number) {
    if (number < top.number || number >= text_end() || kept(number).rows <= first_row_of(number)) {
        return;
    }
    const std::optional<Position> newest = newest_row();
    const Position bottom = following ? *newest : view_bottom;
    const Position view_top = step_back(bottom, view_rows() - 1);
    const Position last_row{number, kept(number).rows - 1};
    if (!(last_row < view_top) && !(bottom < last_row)) {
        return;
    }
    show_at(last_row);
}

std::vector<std::string> ScrollBack::lines() const {
    std::vector<std::string> shown;
    const std::optional<Position> oldest = oldest_row();
    const std::optional<Position> newest = newest_row();
    if (!oldest || !newest) {
        return shown;
    }
    shown.reserve(reachable_rows);
    for (std::uint64_t number = oldest->number; number <= newest->number; ++number) {
        const std::vector<PieceRange> pieces = shown_pieces(number);
        for (std::uint32_t row = first_row_of(number); row < kept(number).rows; ++row) {
            shown.push_back(piece_text(text_of(number), pieces[row]));
        }
    }
    return shown;
}

std::vector<ShownLine> ScrollBack::visible_lines() const {
    const std::optional<Position> newest = newest_row();
    if (!newest) {
        return {};
    }
    std::vector<Position> positions{following ? *newest : view_bottom};
    while (positions.size() < view_rows()) {
        const Position above = step_back(positions.back(), 1);
        if (above == positions.back()) {
            break;
        }
        positions.push_back(above);
    }
    std::vector<ShownLine> shown;
    shown.reserve(positions.size());
    std::vector<PieceRange> pieces;
    std::uint64_t pieces_of = 0;
    for (auto position = positions.rbegin(); position != positions.rend(); ++position) {
        if (pieces.empty() || pieces_of != position->number) {
            pieces = shown_pieces(position->number);
            pieces_of = position->number;
        }
        shown.push_back(shown_line(*position, pieces));
    }
    return shown;
}

ScrollBack::Layout ScrollBack::layout_of(TimeStamp stamp) const {
    const int full_width = wrap_width(columns);
    // A window too narrow for a time stamp and text shows the text alone.
    const bool stamped = stamps_shown && stamp >= 0 && full_width > STAMP_WIDTH;
    return {stamped ? full_width - STAMP_WIDTH : full_width, stamped ? stamp : NO_STAMP};
}

std::string_view ScrollBack::text_of(std::uint64_t number) const {
    return store.view(kept(number).slot);
}

const ScrollBack::Kept& ScrollBack::kept(std::uint64_t number) const {
    return texts[static_cast<std::size_t>(number - first_number)];
}

ScrollBack::Kept& ScrollBack::kept(std::uint64_t number) {
    return texts[static_cast<std::size_t>(number - first_number)];
}

// Most texts fit on one row and are settled by one look at their bytes. Every text is measured,
// in sight or not, so that showing another view only has to look at what was measured.
void ScrollBack::wrap(std::uint64_t number) {
    Kept& text = kept(number);
    if (!text.read_marker) {
        const std::string_view bytes = store.view(text.slot);
        const int width = layout_of(text.stamp).width;
        text.cut = cuts_text(bytes, width);
        if (text.cut) {
            std::vector<PieceRange> pieces;
            append_visible_pieces(bytes, width, pieces);
            text.wrapped_rows = static_cast<std::uint32_t>(pieces.size());
            text.blank = false;
        } else {
            text.wrapped_rows = width > 0 ? 1 : 0;
            text.blank = text.wrapped_rows > 0 && is_empty_string(bytes);
        }
    }
    place_rows(number);
}

// The rows the text takes as it was measured: none out of sight; the blank texts are remembered,
// so that the look for them is made only when a cut text comes.
void ScrollBack::place_rows(std::uint64_t number) {
    Kept& text = kept(number);
    if (text.read_marker) {
        text.rows = read_marker_text == number ? 1 : 0;
        return;
    }
    if (hidden(text)) {
        text.rows = 0;
        return;
    }
    if (text.cut) {
        hide_blank_texts();
    } else if (text.blank) {
        shown_blank_texts.push_back(number);
    }
    text.rows = text.wrapped_rows;
}

void ScrollBack::hide_blank_texts() {
    for (const std::uint64_t number : shown_blank_texts) {
        if (kept(number).rows == 0) {
            continue;
        }
        kept(number).rows = 0;
        if (number >= top.number) {
            --reachable_rows;
        }
    }
    shown_blank_texts.clear();
}

void ScrollBack::set_drop_listener(DropListener listener) {
    drop_listener = std::move(listener);
}

void ScrollBack::drop_oldest_text() {
    if (drop_listener) {
        const Kept& oldest = texts.front();
        drop_listener(oldest.view, oldest.attention != Attention::none, oldest.folded);
    }
    if (first_number >= top.number) {
        reachable_rows -= kept(first_number).rows - std::min(kept(first_number).rows, top.row);
        leave_reach(first_number);
        top = {first_number + 1, 0};
    }
    texts.pop_front();
    ++first_number;
    while (!for_user_texts.empty() && for_user_texts.front() < first_number) {
        for_user_texts.pop_front();
    }
    while (!shown_blank_texts.empty() && shown_blank_texts.front() < first_number) {
        shown_blank_texts.pop_front();
    }
    if (texts.empty()) {
        store.clear();
    } else {
        store.release_before(texts.front().slot);
    }
}

void ScrollBack::leave_reach(std::uint64_t number) {
    if (unseen_count.lines > 0 && number >= first_unseen) {
        ++unseen_count.gone;
    }
}

void ScrollBack::trim() {
    while (texts.size() > 1 && kept_bytes() > max_bytes) {
        drop_oldest_text();
    }
    if (kept_texts > 0) {
        while (texts.size() > kept_texts) {
            drop_oldest_text();
        }
        return;
    }
    // Enough texts stay for a re-wrap to fill the rows again; only the rows can be reached.
    while (texts.size() > MAX_LEN) {
        drop_oldest_text();
    }
    while (reachable_rows > MAX_LEN) {
        const std::size_t left = kept(top.number).rows - std::min(kept(top.number).rows, top.row);
        const std::size_t excess = reachable_rows - MAX_LEN;
        if (excess < left) {
            top.row += static_cast<std::uint32_t>(excess);
            reachable_rows -= excess;
        } else {
            reachable_rows -= left;
            leave_reach(top.number);
            top = {top.number + 1, 0};
        }
    }
}

std::vector<PieceRange> ScrollBack::shown_pieces(std::uint64_t number) const {
    const std::string_view text = text_of(number);
    const int width = layout_of(kept(number).stamp).width;
    std::vector<PieceRange> pieces;
    if (!cuts_text(text, width)) {
        pieces.push_back({0, text.size(), false});
    } else {
        append_visible_pieces(text, width, pieces);
    }
    return pieces;
}

ShownLine ScrollBack::shown_line(Position position, const std::vector<PieceRange>& pieces) const {
    const Kept& text = kept(position.number);
    const TimeStamp first_stamp = layout_of(text.stamp).first_stamp;
    const TimeStamp continued = first_stamp == NO_STAMP ? NO_STAMP : CONTINUED_TEXT;
    const PieceRange& piece = pieces[position.row];
    return {piece_text(text_of(position.number), piece),
            position.row == 0 ? first_stamp : continued,
            text.attention,
            position.number,
            piece.begin,
            piece.carries_colour,
            text.read_marker};
}

}  // namespace qvchat2gui
