#pragma once

#include <cstddef>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "gui/model/chat_views.h"

namespace qvchat2gui {

// The views of a front-end that writes each line once: while a view is shown only its lines (and
// those of every view) are written; the others' are held, in order, and written when their view
// is shown. Lines for the user are written in any view. Any thread.
class HeldViews {
public:
    // The bytes of held lines kept at most: beyond, the oldest go (the log and #grep have them).
    static constexpr std::size_t MOST_HELD_BYTES = std::size_t{8} * 1024 * 1024;

    // What showing a view writes: its name, its held lines (oldest first), and how many of its
    // lines were let go for the bound.
    struct Shown {
        std::string name;
        std::vector<std::string> lines;
        std::size_t let_go = 0;
    };

    // The view's tag for the line, and whether it is to be written now; otherwise it is held.
    std::pair<ScrollBack::ViewTag, bool> pass(const std::string& line, bool for_user,
                                              const LineView& view);
    // Whether a repeat of a line of `view` is said now: only in the view that shows the line.
    bool shows_now(bool for_user, const LineView& view) const;
    // The channels joined get their views at once.
    void note_channels(const std::vector<unsigned int>& channels);
    // The view the user named ("all", "local", a number, a name), "close", or none: nothing
    // for an empty name.
    std::optional<Shown> show_named(const std::string& typed);
    // Alt-Right, Alt-Left; Alt-A (nothing when no view waits).
    Shown show_next(bool forward);
    std::optional<Shown> show_most_wanted();
    // The player's view shown is forgotten and `all` shown; nothing when it is not a player's.
    std::optional<Shown> close_shown();

    std::string shown_name() const;
    std::optional<LineView> typing_destination() const;
    ChatViews::Choice shown() const;
    std::string listing() const;
    std::vector<std::string> names() const;

private:
    // Under views_mutex.
    Shown show(ChatViews::Choice choice);
    bool written_now(bool for_user, ScrollBack::ViewTag tag) const;

    mutable std::mutex views_mutex;  // guards the fields below; a leaf
    ChatViews views;
    std::deque<std::pair<ScrollBack::ViewTag, std::string>> held;
    std::size_t held_bytes = 0;
    std::vector<std::pair<ScrollBack::ViewTag, std::size_t>> let_go;
};

}  // namespace qvchat2gui
