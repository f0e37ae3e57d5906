#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "gui/model/scroll_back.h"
#include "gui/model/time_stamp.h"

namespace qvchat2gui {

// What a move past the oldest or the newest line says.
inline constexpr char NO_OLDER_LINE[] = "No older line.";
inline constexpr char NO_NEWER_LINE[] = "No newer line.";

// Where a move of the review went: a line of the view, or nowhere at an edge.
struct ReviewStep {
    std::optional<std::uint64_t> line;  // the text's number in the scroll-back; none at an edge
    std::string text;                   // the line as kept, colour bytes and all; else the notice
    TimeStamp stamp = NO_STAMP;         // the time the line came, when it has one

    // What speech says: "12:34, Ann on 3: hello" for a line, the notice at an edge.
    std::string words() const;
};

// The review point: the line of the view shown that the user moves to, one line at a time, to
// hear or read it again. It stays on its line while lines come; a line that left the scroll-back
// (or was folded into a newer one) hands the next move to the oldest line still kept after it.
// Only the lines in sight of the view count: not another view's, not ignored ones, not blank ones.
// Not locked: the owner guards it and the scroll-back.
class ReviewPoint {
public:
    enum class Move : std::uint8_t { older, newer, oldest, newest };

    // Goes one line older or newer, or to the oldest or the newest line; the first move of a
    // review (older or newer) gives the newest line. At an edge the point stays where it was and
    // the step says so.
    ReviewStep move(const ScrollBack& lines, Move move);
    // The next move starts again from the newest line.
    void leave();
    bool active() const;
    // The text the point is on, while the review goes on.
    std::optional<std::uint64_t> line() const;

private:
    std::optional<std::uint64_t> target(const ScrollBack& lines, Move move) const;

    std::optional<std::uint64_t> reviewed;
};

// The move a key asks for: Alt-Up and Alt-Down; with `ends`, Alt-Home and Alt-End too (as a
// terminal sends them alone or with Escape first).
std::optional<ReviewPoint::Move> review_move_of(int key, bool ends);

// Whether the key leaves the review: any text typed into the input line, Enter, Esc.
bool leaves_review(int key);

}  // namespace qvchat2gui
