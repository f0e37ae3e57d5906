#include <algorithm>
#include <iterator>
#include <string>
#include <utility>

#include "gui/model/time_stamp.h"
#include "gui/model/top_bar.h"
#include "gui/pdcurses_gui.h"

// The entry points any thread may call: they store what is to be shown under redraw_mutex and
// mark it for the paint thread, never touching the terminal.
namespace qvchat2gui {

void PDCursesGUI::add_chat_line(const std::string& line) {
    add_highlighted_line(line, Attention::none);
}

void PDCursesGUI::add_highlighted_line(const std::string& line, Attention attention) {
    recent_urls.note_line(line);
    store_line(line, attention);
}

void PDCursesGUI::add_backlog_line(const std::string& line) {
    recent_urls.note_line(line);
    store_line(line, Attention::none, LineView::every(), nullptr, false);
}

void PDCursesGUI::add_line_in_view(const std::string& line, Attention attention,
                                   const LineView& view) {
    add_treated_line(line, attention, view, LineEffects{});
}

void PDCursesGUI::add_treated_line(const std::string& line, Attention attention,
                                   const LineView& view, const LineEffects& effects) {
    recent_urls.note_line(line);
    store_line(effects.colour ? recoloured_line(line, *effects.colour) : line, attention, view,
               &effects);
}

void PDCursesGUI::store_line(const std::string& line, Attention attention, const LineView& view,
                             const LineEffects* received, bool stamped) {
    const bool notify = attention != Attention::none || (received != nullptr && received->notify);
    const TimeStamp stamp = stamped ? current_time_stamp() : NO_STAMP;
    bool already_pending = false;
    std::optional<std::string> told;
    {
        const boost::lock_guard<boost::mutex> lock(redraw_mutex);
        if (notify) {
            told = queue_notification(line);
        }
        const bool ring = (settings.bell && attention != Attention::none) ||
                          (received != nullptr && received->bell);
        const bool repeat = received != nullptr && settings.fold_repeats &&
                            repeats.find(line, RepeatFolder::Clock::now());
        const ScrollBack::ViewTag tag =
            chat_views.note_line(view, attention != Attention::none, repeat);
        const std::optional<std::uint64_t> folded =
            keep_in_chat(line, attention, stamp, tag, received != nullptr);
        if (repeat && !folded) {
            // The line it repeated was no longer kept: it came as a line of its own.
            chat_views.note_kept(tag);
        }
        if (attention != Attention::none) {
            keep_for_pane(line, attention, stamp, tag);
        }
        if (chat_search.active()) {
            if (folded) {
                chat_search.forget_text(*folded);
            }
            chat_search.note_added(chat_lines, chat_lines.text_end() - 1);
        }
        already_pending = std::exchange(redraw_pending.chat, true);
        // The bell is rung with the next repaint of the chat, which comes within its interval.
        redraw_pending.bell = redraw_pending.bell || ring;
    }
    // A repaint already asked for comes in its time: waking the paint thread for every line of
    // a flood would cost more than the lines themselves.
    if (!already_pending) {
        redraw_cond.notify_one();
    }
    if (told && notification_listener) {
        notification_listener(*told);
    }
}

std::optional<std::uint64_t> PDCursesGUI::keep_in_chat(const std::string& line, Attention attention,
                                                       TimeStamp stamp, ScrollBack::ViewTag tag,
                                                       bool may_fold) {
    if (may_fold && settings.fold_repeats) {
        return repeats.add_or_fold(chat_lines, line, attention, stamp, tag,
                                   RepeatFolder::Clock::now());
    }
    chat_lines.add(line, attention, stamp, tag);
    return std::nullopt;
}

void PDCursesGUI::add_ignored_line(const std::string& line) {
    keep_out_of_sight(line, "(ignored) ");
}

void PDCursesGUI::add_hidden_line(const std::string& line) {
    keep_out_of_sight(line, "(hidden) ");
}

void PDCursesGUI::keep_out_of_sight(const std::string& line, const std::string& marker) {
    std::string shown = std::string(1, static_cast<char>(OFF_CHANNEL_COLOR)) + marker;
    std::copy_if(line.begin(), line.end(), std::back_inserter(shown),
                 [](char byte) { return !is_control_character(byte); });
    const TimeStamp stamp = current_time_stamp();
    bool in_sight = false;
    {
        const boost::lock_guard<boost::mutex> lock(redraw_mutex);
        chat_lines.add_ignored(shown, stamp);
        in_sight = status.showing_ignored;
    }
    if (in_sight) {
        queue_main_redraw();
    }
}

void PDCursesGUI::update_clock(unsigned short minutes) {
    std::string text = format_clock(minutes);
    {
        const boost::lock_guard<boost::mutex> lock(redraw_mutex);
        clock_text = std::move(text);
    }
    queue_paint(&PaintRequest::top_bar);
}

void PDCursesGUI::set_channel_list(const std::vector<unsigned int>& channels) {
    ChatGUI::set_channel_list(channels);
    {
        const boost::lock_guard<boost::mutex> lock(redraw_mutex);
        chat_views.note_channels(channels);
    }
    queue_paint(&PaintRequest::top_bar);
}

void PDCursesGUI::set_muted_channels(const std::vector<unsigned int>& channels) {
    ChatGUI::set_muted_channels(channels);
    queue_paint(&PaintRequest::top_bar);
}

void PDCursesGUI::set_connection_state(ConnectionState state, const std::string& server_name) {
    {
        const boost::lock_guard<boost::mutex> lock(redraw_mutex);
        status.connection = state;
        status.server_name = server_name;
    }
    queue_paint(&PaintRequest::top_bar);
}

void PDCursesGUI::set_away(bool away) {
    {
        const boost::lock_guard<boost::mutex> lock(redraw_mutex);
        // Only when the user stops following the chat: out of focus, the marker already
        // stands before what came since.
        if (away && !status.away && terminal_focused) {
            chat_lines.set_read_marker();
        }
        status.away = away;
    }
    queue_paint(&PaintRequest::top_bar);
}

}  // namespace qvchat2gui
