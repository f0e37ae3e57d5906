#include "gui/model/review_point.h"

#include <algorithm>

#include "gui/model/chat_text.h"
#include "gui/model/key_codes.h"
#include "gui/model/spoken_text.h"

namespace qvchat2gui {

namespace {

// A line with nothing to say (a blank one, or colour bytes only) is passed over.
bool has_words(std::string_view text) {
    return std::any_of(text.begin(), text.end(),
                       [](char byte) { return byte != ' ' && !is_control_character(byte); });
}

bool reviewable(const ScrollBack& lines, std::uint64_t number) {
    return number >= lines.first_reachable_text() && number < lines.text_end() &&
           !lines.is_out_of_sight(number) && has_words(lines.text(number));
}

// The newest line before `end`.
std::optional<std::uint64_t> newest_before(const ScrollBack& lines, std::uint64_t end) {
    const std::uint64_t first = lines.first_reachable_text();
    for (std::uint64_t number = std::min(end, lines.text_end()); number > first; --number) {
        if (reviewable(lines, number - 1)) {
            return number - 1;
        }
    }
    return std::nullopt;
}

// The oldest line from `start` on.
std::optional<std::uint64_t> oldest_from(const ScrollBack& lines, std::uint64_t start) {
    for (std::uint64_t number = std::max(start, lines.first_reachable_text());
         number < lines.text_end(); ++number) {
        if (reviewable(lines, number)) {
            return number;
        }
    }
    return std::nullopt;
}

bool towards_older(ReviewPoint::Move move) {
    return move == ReviewPoint::Move::older || move == ReviewPoint::Move::oldest;
}

}  // namespace

std::string ReviewStep::words() const {
    if (!line) {
        return text;
    }
    std::string said = spoken_shown_line(text);
    if (stamp >= 0) {
        std::string time = stamp_text(stamp);
        time.pop_back();  // the blank after the minutes
        said.insert(0, time + ", ");
    }
    return said;
}

ReviewStep ReviewPoint::move(const ScrollBack& lines, Move move) {
    const std::optional<std::uint64_t> found = target(lines, move);
    if (!found) {
        // A point whose line is gone and that finds no other starts again next time.
        if (reviewed && !reviewable(lines, *reviewed)) {
            reviewed.reset();
        }
        return {std::nullopt, towards_older(move) ? NO_OLDER_LINE : NO_NEWER_LINE, NO_STAMP};
    }
    reviewed = found;
    return {found, std::string(lines.text(*found)), lines.stamp(*found)};
}

std::optional<std::uint64_t> ReviewPoint::target(const ScrollBack& lines, Move move) const {
    switch (move) {
        case Move::oldest:
            return oldest_from(lines, 0);
        case Move::newest:
            return newest_before(lines, lines.text_end());
        case Move::older:
        case Move::newer:
            break;
    }
    if (!reviewed) {
        return newest_before(lines, lines.text_end());
    }
    if (!reviewable(lines, *reviewed)) {
        const std::optional<std::uint64_t> after = oldest_from(lines, *reviewed + 1);
        return after ? after : newest_before(lines, *reviewed);
    }
    return move == Move::older ? newest_before(lines, *reviewed)
                               : oldest_from(lines, *reviewed + 1);
}

void ReviewPoint::leave() {
    reviewed.reset();
}

bool ReviewPoint::active() const {
    return reviewed.has_value();
}

std::optional<std::uint64_t> ReviewPoint::line() const {
    return reviewed;
}

std::optional<ReviewPoint::Move> review_move_of(int key, bool ends) {
    if (key == REVIEW_OLDER_KEY) {
        return ReviewPoint::Move::older;
    }
    if (key == REVIEW_NEWER_KEY) {
        return ReviewPoint::Move::newer;
    }
    if (ends && (key == alt(HOME_KEY) || key == CHAT_OLDEST_KEY)) {
        return ReviewPoint::Move::oldest;
    }
    if (ends && (key == alt(END_KEY) || key == CHAT_NEWEST_KEY)) {
        return ReviewPoint::Move::newest;
    }
    return std::nullopt;
}

bool leaves_review(int key) {
    return is_typed_byte(key) || key == ESCAPE_KEY || key == '\r' || key == '\n' ||
           key == ENTER_KEY;
}

}  // namespace qvchat2gui
