// Keys for reading what came: Alt-P and Alt-N walk the lines for the user, Alt-U goes to where the
// unread lines begin; the terminal's focus reports set that place.
#include "gui/model/command_help.h"
#include "gui/model/key_codes.h"
#include "gui/pdcurses_gui.h"

namespace qvchat2gui {

// Hints name the keys of the chat window: scrolling, Ctrl-S, the walk through the lines for the
// user and the review; Ctrl-G's stop only where the run has speech.
FrontEndKeys PDCursesGUI::keys() const {
    FrontEndKeys keys;
    keys.scroll = true;
    keys.search = true;
    keys.for_user = true;
    keys.views = true;
    keys.several_lines = true;
    keys.review = true;
    keys.stop_speech = speech() != nullptr;
    return keys;
}

// Input thread. True when the key was taken. Any other key ends a jump's mark.
bool PDCursesGUI::handle_reading_key(int key) {
    if (key == FOCUS_IN_KEY || key == FOCUS_OUT_KEY) {
        const boost::lock_guard<boost::mutex> lock(redraw_mutex);
        const bool was_following = terminal_focused && !status.away;
        terminal_focused = key == FOCUS_IN_KEY;
        // While away the marker already stands before what came since.
        if (was_following && !terminal_focused) {
            chat_lines.set_read_marker();
        }
        return true;
    }
    if (key == alt('p') || key == alt('n')) {
        jump_to_line_for_user(key == alt('p'));
        return true;
    }
    bool ended_jump = false;
    {
        const boost::lock_guard<boost::mutex> lock(redraw_mutex);
        ended_jump = jumped_text.has_value() || !reading_note.empty();
        jumped_text.reset();
        reading_note.clear();
        if (key == alt('u')) {
            if (chat_lines.show_read_marker()) {
                chat_lines.clear_read_marker();
            } else {
                reading_note = " no unread lines marked ";
            }
        }
    }
    if (ended_jump || key == alt('u')) {
        queue_main_redraw();
    }
    return key == alt('u');
}

// Input thread. From the line marked, or else from the lowest line in view; at the newest, Alt-N
// returns to the bottom.
void PDCursesGUI::jump_to_line_for_user(bool older) {
    {
        const boost::lock_guard<boost::mutex> lock(redraw_mutex);
        // Without a mark the lowest line in view is where the walk starts, itself counted as older.
        const std::uint64_t start = chat_lines.is_scrolled_back()
                                        ? chat_lines.lowest_text_shown().value_or(0) + 1
                                        : chat_lines.text_end();
        std::optional<std::uint64_t> target;
        if (older) {
            target = chat_lines.for_user_before(jumped_text.value_or(start));
        } else {
            target = chat_lines.for_user_after(jumped_text.value_or(start - 1));
        }
        if (target) {
            jumped_text = target;
            chat_lines.show_text(*target);
            const auto [place, count] = chat_lines.for_user_place(*target);
            reading_note =
                " for you " + std::to_string(place) + " of " + std::to_string(count) + " ";
        } else if (older) {
            reading_note = jumped_text ? " no older line for you " : " no line for you ";
        } else {
            jumped_text.reset();
            reading_note.clear();
            chat_lines.follow_newest();
        }
    }
    queue_main_redraw();
}

}  // namespace qvchat2gui
