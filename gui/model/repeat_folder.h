#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>

#include "gui/model/scroll_back.h"

namespace qvchat2gui {

// Finds the received lines that only repeat one shown a moment ago (the same "selling gold, PM
// me" every 20 seconds), so that a front-end can count them on the earlier line instead of
// showing them again. Lines are compared with their colour and control bytes left out, sender
// included. Not locked: the owner guards it.
class RepeatFolder {
public:
    using Clock = std::chrono::steady_clock;
    // A repeat folds into one of the newest lines shown, and only while that line is recent.
    static constexpr std::size_t RECENT_LINES = 20;
    static constexpr std::chrono::minutes RECENT_TIME{10};
    // Lines longer than this are never compared: a page of text is not spam to fold, and the
    // copies kept stay small.
    static constexpr std::size_t MOST_COMPARED_BYTES = 4096;

    struct Repeat {
        std::uint64_t earlier;  // the number the line was shown with
        std::uint32_t count;    // how often it has come, this time included
    };

    // When `line` repeats a recent line: the number that line was shown with, and how often it
    // has come with this time.
    std::optional<Repeat> find(std::string_view line, Clock::time_point now) const;
    // `line` was shown as `number`, `count` times so far: a new line (1), or a repeat in its new
    // place.
    void shown(std::string_view line, std::uint64_t number, std::uint32_t count,
               Clock::time_point now);
    // Folds `line` into the recent line it repeats: that line leaves `lines` and `line` comes as
    // the newest, with its count, in `view` (or the earlier line's). The repeat, or nothing when
    // `line` repeats no line still kept: the caller then adds it and calls shown.
    std::optional<Repeat> fold_into(ScrollBack& lines, std::string_view line, Attention attention,
                                    TimeStamp stamp, std::optional<ScrollBack::ViewTag> view,
                                    Clock::time_point now);
    // Adds the received `line` to `lines`, or folds it into the recent line it repeats: that
    // line's number when it did.
    std::optional<std::uint64_t> add_or_fold(ScrollBack& lines, std::string_view line,
                                             Attention attention, TimeStamp stamp,
                                             ScrollBack::ViewTag view, Clock::time_point now);
    void forget();

private:
    struct Shown {
        std::string plain;
        std::uint64_t number;
        std::uint32_t count;
        Clock::time_point when;
    };
    std::deque<Shown> recent;  // oldest first
};

// The line with its count after it, "(x5)" with the Latin-1 multiplication sign, which a
// terminal without it shows as an x.
std::string with_repeat_count(std::string_view line, std::uint32_t count);

}  // namespace qvchat2gui
