// What the reader says: every line once, with one word for who it comes from, the time when the
// user asked for it, and the bell at most once a second; the status said only when it changes,
// and nothing the client already says in a line of its own.
#include <utility>

#include "gui/model/notification.h"
#include "gui/model/time_stamp.h"
#include "gui/model/top_bar.h"
#include "gui/model/url_commands.h"
#include "gui/reader/reader_gui.h"

namespace qvchat2gui {

namespace {

// Shortest time between two bells, as on the curses screen.
constexpr std::chrono::seconds BELL_INTERVAL{1};

std::string channel_list_text(const std::vector<unsigned int>& channels) {
    if (channels.empty()) {
        return "You are on no channel.";
    }
    std::string text = "You are on channels ";
    for (std::size_t index = 0; index < channels.size(); ++index) {
        text += (index > 0 ? ", " : "") + (channels[index] > GUILD_CUTOFF
                                               ? std::string("guild")
                                               : std::to_string(channels[index]));
    }
    return text + ".";
}

}  // namespace

void ReaderGUI::add_chat_line(const std::string& line) {
    add_highlighted_line(line, Attention::none);
}

void ReaderGUI::add_highlighted_line(const std::string& line, Attention attention) {
    recent_urls.note_line(line);
    searched_lines.add(line);
    write_line(line, LineOrigin::game, attention);
}

void ReaderGUI::add_backlog_line(const std::string& line) {
    recent_urls.note_line(line);
    searched_lines.add(line, ScrollBack::EVERY_VIEW, false, false);
    write_line(line, LineOrigin::game, Attention::none, {}, false);
}

void ReaderGUI::add_client_line(const std::string& line) {
    write_line(line, LineOrigin::client, Attention::none);
}

FrontEndKeys ReaderGUI::keys() const {
    FrontEndKeys keys;
    keys.say_again = true;
    keys.views = true;
    // A dumb terminal's line is the terminal's own, read whole.
    keys.several_lines = !dumb;
    keys.review = keys.review_ends = true;
    keys.stop_speech = speech() != nullptr;
    return keys;
}

void ReaderGUI::write_line(const std::string& line, LineOrigin origin, Attention attention,
                           const LineEffects& effects, bool stamped) {
    const TimeStamp stamp = current_time_stamp();
    bool told = false;
    {
        const std::lock_guard<std::mutex> lock(output_mutex);
        std::string said = reader_line(line, origin, terminal);
        std::string text = stamp_text(settings.timestamps && stamped ? stamp : NO_STAMP) + said;
        for (std::string& summary : repeat_summaries.take()) {
            pending.lines.push(std::move(summary));
        }
        repeat_summaries.written(std::move(said));
        const bool for_user = attention != Attention::none;
        if (for_user) {
            keep_recent_for_user(text);
        }
        // Without focus reports here, away is the only sign that the user is elsewhere.
        told = user_away && (for_user || effects.notify);
        if (((settings.bell && for_user) || effects.bell) && bell_due()) {
            text += BELL;
        }
        pending.lines.push(std::move(text));
    }
    output_changed.notify_one();
    if (told && notification_listener) {
        notification_listener(notification_text(line));
    }
}

void ReaderGUI::keep_recent_for_user(std::string text) {
    recent_for_user.push_front(std::move(text));
    if (recent_for_user.size() > RECENT_LINES_FOR_USER) {
        recent_for_user.pop_back();
    }
}

// Each repeat for the user still counts as one: it is said again with Alt-1 and told outside
// the terminal as the first was.
void ReaderGUI::note_repeat(const std::string& line, Attention attention, std::uint32_t count) {
    bool told = false;
    {
        const std::lock_guard<std::mutex> lock(output_mutex);
        std::string said = reader_line(line, LineOrigin::game, terminal);
        if (attention != Attention::none) {
            keep_recent_for_user(stamp_text(settings.timestamps ? current_time_stamp() : NO_STAMP) +
                                 said);
            told = user_away;
        }
        repeat_summaries.note(said, count);
    }
    if (told && notification_listener) {
        notification_listener(notification_text(line));
    }
}

bool ReaderGUI::bell_due() {
    const auto now = std::chrono::steady_clock::now();
    if (last_bell != std::chrono::steady_clock::time_point() && now - last_bell < BELL_INTERVAL) {
        return false;
    }
    last_bell = now;
    return true;
}

void ReaderGUI::queue_line(std::string text) {
    {
        const std::lock_guard<std::mutex> lock(output_mutex);
        pending.lines.push(std::move(text));
    }
    output_changed.notify_one();
}

void ReaderGUI::update_clock(unsigned short minutes) {
    const std::lock_guard<std::mutex> lock(output_mutex);
    clock_text = format_clock(minutes);
    // The top bar pads the hour to two columns; said aloud, the blank is noise.
    clock_text.erase(0, clock_text.find_first_not_of(' '));
}

// Said only when the list changes: the server sends it again and again. The list a lost
// connection leaves empty is not news: the connection's notice said it.
void ReaderGUI::set_channel_list(const std::vector<unsigned int>& channels) {
    ChatGUI::set_channel_list(channels);
    held_views.note_channels(channels);
    {
        const std::lock_guard<std::mutex> lock(output_mutex);
        if (channels == channels_said ||
            (channels.empty() && connection != ConnectionState::connected)) {
            return;
        }
        channels_said = channels;
    }
    add_client_line(channel_list_text(channels));
}

// The client says every loss and every new connection in a line of its own; only the first
// connection it leaves to the status, which the reader has not.
void ReaderGUI::set_connection_state(ConnectionState state, const std::string& server_name) {
    {
        const std::lock_guard<std::mutex> lock(output_mutex);
        connection = state;
        if (state != ConnectionState::connected || std::exchange(connected_before, true)) {
            return;
        }
    }
    add_client_line("Connected to " + server_name + ".");
}

// "Going AFK." and "You are no longer AFK" say it.
void ReaderGUI::announce_away(bool away, const std::string& /*reply*/) {
    const std::lock_guard<std::mutex> lock(output_mutex);
    user_away = away;
}

void ReaderGUI::set_notification_listener(const std::function<void(const std::string&)>& listener) {
    notification_listener = listener;
}

void ReaderGUI::change_display_settings(const DisplaySettings& changed) {
    {
        const std::lock_guard<std::mutex> lock(output_mutex);
        settings = changed;
    }
    searched_lines.keep(changed.kept_texts);
    searched_lines.fold_repeats(changed.fold_repeats);
}

// Alt-3 says the third latest line for the user again.
void ReaderGUI::say_recent(std::size_t place) {
    std::string text;
    {
        const std::lock_guard<std::mutex> lock(output_mutex);
        if (place <= recent_for_user.size()) {
            text = "Recent " + std::to_string(place) + ": " + recent_for_user[place - 1];
        }
    }
    if (text.empty()) {
        add_client_line("No line for you at " + std::to_string(place) + ".");
    } else {
        queue_line(std::move(text));
    }
}

void ReaderGUI::list_urls() {
    for (const std::string& line : url_list_lines(recent_urls.newest())) {
        add_client_line(line);
    }
}

// The writer puts the URL on the clipboard; a dumb terminal takes no escape sequence, so there
// the URL is only said.
void ReaderGUI::copy_url(const std::string& argument) {
    const UrlCopy copy = url_to_copy(recent_urls.newest(), argument);
    if (copy.url && dumb) {
        add_client_line("This terminal cannot take the clipboard (TERM=dumb); the link is " +
                        *copy.url);
        return;
    }
    if (copy.url) {
        const std::lock_guard<std::mutex> lock(output_mutex);
        pending.clipboard = *copy.url;
    }
    add_client_line(copy.answer);
}

}  // namespace qvchat2gui
