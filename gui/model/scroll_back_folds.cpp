#include <algorithm>

#include "gui/model/scroll_back.h"

// Repeats folded into the line they repeat: the earlier text leaves the rows for good and the
// counted one comes as the newest, in the same view. A fold touches only the rows of the texts
// concerned, so that a flood of repeats costs no more than a flood of lines.
namespace qvchat2gui {

bool ScrollBack::move_to_newest(std::uint64_t earlier, std::string_view text, Attention attention,
                                TimeStamp stamp, std::optional<ViewTag> view) {
    if (earlier < first_number || earlier >= text_end()) {
        return false;
    }
    const Kept& old = kept(earlier);
    if (old.folded || old.ignored || old.read_marker) {
        return false;
    }
    const ViewTag earlier_view = old.view;
    fold_away(earlier);
    keep(text, attention, stamp, false, view.value_or(earlier_view));
    return true;
}

void ScrollBack::fold_away(std::uint64_t number) {
    const std::optional<Place> lowest_shown =
        following ? std::nullopt : std::optional(place_of(view_bottom));
    Kept& text = kept(number);
    const bool was_in_sight = !hidden(text);
    if (number >= top.number) {
        reachable_rows -= text.rows - std::min(text.rows, first_row_of(number));
    }
    if (!following && was_in_sight && unseen_count.lines > 0 && number >= first_unseen) {
        // Counted once, as the newest line it becomes.
        --unseen_count.lines;
        if (text.attention != Attention::none && unseen_count.for_user > 0) {
            --unseen_count.for_user;
        }
    }
    text.folded = true;
    text.rows = 0;
    if (top.number == number) {
        top = {number + 1, 0};
    }
    const auto listed = std::lower_bound(for_user_texts.begin(), for_user_texts.end(), number);
    if (listed != for_user_texts.end() && *listed == number) {
        for_user_texts.erase(listed);
    }
    if (lowest_shown) {
        show_at(position_of(*lowest_shown));
    }
}

}  // namespace qvchat2gui
