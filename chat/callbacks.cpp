#include "chat/callbacks.h"

#include <algorithm>
#include <ctime>
#include <initializer_list>
#include <iostream>
#include <optional>
#include <string_view>
#include <vector>

#include "chat/afk.h"
#include "chat/filter_commands.h"
#include "chat/line_triggers.h"
#include "chat/lines_for_user.h"
#include "chat/login_refusal.h"
#include "chat/note_commands.h"
#include "chat/spoken_lines.h"
#include "chat/whole_word.h"
#include "gui/common_gui.h"
#include "gui/model/latin1_text.h"
#include "gui/model/text_wrap.h"
#include "network/QVClient.h"

namespace qvchat2 {

namespace {

using qvchat2gui::ChatGUI;

constexpr std::size_t CHANNEL_PAYLOAD_SIZE = 13;
constexpr std::size_t CHANNEL_SLOT_SIZE = 4;
constexpr std::uint8_t PM_CHANNEL = 1;
constexpr std::uint8_t GM_CHANNEL = 2;

// One line as it is shown, and how it counts for the log and the AFK rules.
struct DisplayLine {
    std::string text;
    bool speaker_text = false;
    LogMessageType log_type = CHAT_MESSAGE;
    // Whether the kind of line alone makes it for the user.
    std::optional<ForUserKind> for_user = std::nullopt;
    // Speech, channel chat and GM lines call for attention when their text names the user.
    bool may_name_user = false;
    // The number a joined channel's line shows, which #mute takes.
    std::optional<std::uint32_t> channel_number = std::nullopt;
    // The conversation it belongs to, for the chat window's views.
    qvchat2gui::LineView view = qvchat2gui::LineView::every();
};

std::string color(std::uint8_t code) {
    return std::string(1, static_cast<char>(code));
}

bool is_channel_code(unsigned char channel) {
    return channel >= 5 && channel <= 7;
}

// The parts one after the other, in one allocation: every received line is built here, on a
// thread that has just started and so has no memory of its own to reuse.
std::string joined(std::initializer_list<std::string_view> parts) {
    std::size_t size = 0;
    for (const std::string_view part : parts) {
        size += part.size();
    }
    std::string text;
    text.reserve(size);
    for (const std::string_view part : parts) {
        text.append(part);
    }
    return text;
}

// Chooses the prefix (and suffix) by the first rule that applies.
DisplayLine build_line(const std::string& name, unsigned char channel, const std::string& message,
                       ChatState state) {
    if (const auto joined_channel = channel_table().find(channel)) {
        const std::string off = joined_channel->active ? "" : color(qvchat2gui::OFF_CHANNEL_COLOR);
        const std::string number = std::to_string(joined_channel->number);
        return {joined({off, "[", name, " @ ", number, "]: ", message}),
                false,
                CHAT_MESSAGE,
                std::nullopt,
                true,
                joined_channel->number,
                qvchat2gui::LineView::of_channel(joined_channel->number)};
    }
    if (channel == GM_CHANNEL && !name.empty()) {
        return {joined({color(qvchat2gui::GM_COLOR), "#GM from ", name, ": ", message}), false,
                CHAT_MESSAGE, ForUserKind::gm_message, true};
    }
    if (is_channel_code(channel)) {
        // A channel the table does not know has no number to follow: its chat counts as local.
        return {joined({"[", name, "]: ", message}),
                false,
                CHAT_MESSAGE,
                std::nullopt,
                true,
                std::nullopt,
                qvchat2gui::LineView::local_speech()};
    }
    if (channel == PM_CHANNEL) {
        const bool sent = (state & CHAT_PM_SENT) != 0;
        return {
            joined({color(qvchat2gui::PM_COLOR), "[PM ", sent ? "to " : "from ", name, ": ",
                    message, "]"}),
            false,
            CHAT_MESSAGE,
            sent ? std::nullopt : std::optional(ForUserKind::private_message),
            false,
            std::nullopt,
            name.empty() ? qvchat2gui::LineView::every() : qvchat2gui::LineView::of_player(name)};
    }
    if (!name.empty()) {
        const char* separator = (state & CHAT_NO_COLON) != 0 ? " " : ": ";
        return {joined({name, separator, message}),
                true,
                CHAT_MESSAGE,
                std::nullopt,
                true,
                std::nullopt,
                qvchat2gui::LineView::local_speech()};
    }
    return {joined({color(qvchat2gui::SERVER_COLOR), message}), false, SERVER_MESSAGE};
}

// The user's own lines and the server's echoes of them are never for the user; speech, channel
// chat and GM lines are when their text names the user as a whole word, so that a short name
// does not ring inside every word that holds it, or holds one of the user's highlight words. A
// GM line stays a GM line whatever it says.
std::optional<ForUserKind> for_user_kind(const DisplayLine& line, const std::string& name,
                                         const std::string& message, const std::string& username,
                                         bool own_activity) {
    if (own_activity || name == username) {
        return std::nullopt;
    }
    if (line.for_user || !line.may_name_user) {
        return line.for_user;
    }
    if (contains_whole_word(message, username)) {
        return ForUserKind::mention;
    }
    if (highlight_words().names_in(message)) {
        return ForUserKind::highlight;
    }
    return std::nullopt;
}

}  // namespace

ChannelTable& channel_table() {
    static ChannelTable table;
    return table;
}

void on_raw_text(ChatGUI* gui, Logger* logger, AfkState* afk, qvnetworklib::Client* client,
                 const qvnetworklib::ByteVector& payload) {
    if (payload.size() < 2) {
        return;
    }
    const std::uint8_t channel = payload[0];
    const SplitText split =
        split_raw_text(channel, std::string(payload.begin() + 2, payload.end()));
    on_text(gui, logger, client, afk, split.name, channel, split.message, split.state);
}

void on_text(ChatGUI* gui, Logger* logger, qvnetworklib::Client* client, AfkState* afk,
             const std::string& name, unsigned char channel, const std::string& message,
             ChatState state) {
    const DisplayLine line = build_line(name, channel, message, state);
    logger->log(line.log_type, remove_special_characters(line.text));

    const std::string username = client->get_username();
    const bool was_afk = afk->is_afk();
    const bool pm_sent = (state & CHAT_PM_SENT) != 0;
    // The server echoes what the user said or sent; the echo of the automatic reply does not
    // count, or it would end the AFK state it answers for. A line without a name is nobody's.
    const bool own_activity = !name.empty() && ((channel != PM_CHANNEL && name == username) ||
                                                (pm_sent && message != afk->get_afk_message()));

    // An ignored player's lines (GM lines excepted) and a muted channel's chat that is not for the
    // user are logged and nothing more: no bell, no count, no reply, no name for Tab. The user's
    // own lines always show.
    const bool others = !own_activity && !name.empty() && name != username;
    if (others && channel != GM_CHANNEL && !pm_sent &&
        ignore_list().hides(name, WallClock::now())) {
        gui->add_ignored_line(line.text);
        return;
    }
    const TriggeredLine triggered = apply_triggers(gui, line.text);
    std::optional<ForUserKind> for_user =
        for_user_kind(line, name, message, username, own_activity);
    if (triggered.pane && !for_user && !own_activity) {
        for_user = ForUserKind::highlight;
    }
    const qvchat2gui::Attention attention =
        for_user ? attention_of(*for_user) : qvchat2gui::Attention::none;
    if (others && line.channel_number && attention == qvchat2gui::Attention::none &&
        muted_channels().is_muted(*line.channel_number)) {
        return;
    }
    // A line a trigger hides is kept as an ignored one is; the user's own still ends the away
    // state.
    if (triggered.hide && !own_activity) {
        gui->add_hidden_line(line.text);
        return;
    }

    // Tab offers the names of those the user may want to answer.
    if (!name.empty() && name != username) {
        gui->note_name(name);
    }

    // Kept apart from the scroll-back, so that a flood cannot push them out, and counted for the
    // summary the user gets when back.
    if (for_user) {
        lines_for_user().note(*for_user, name, line.text, std::time(nullptr));
        afk->count_for_user(*for_user, name);
    }

    if (own_activity) {
        // Before the flag clears: coming back shows what came while away after this line.
        if (was_afk) {
            gui->add_client_line("You are no longer AFK");
        }
        afk->set_afk(false);
    } else if (was_afk) {
        const bool received_pm = channel == PM_CHANNEL && !pm_sent;
        const bool mentioned =
            line.speaker_text && afk->responds_local() && contains_insensitive(message, username);
        if ((received_pm || mentioned) && afk->claim_reply(name)) {
            do_afk_reply(afk, client, name);
        }
    }
    if (triggered.hide) {
        gui->add_hidden_line(line.text);
        return;
    }
    gui->add_treated_line(line.text, attention, line.view, triggered.effects);
    if (!own_activity && name != username && !pm_sent) {
        speak_received_line(gui, {line.text, message, line.log_type == SERVER_MESSAGE,
                                  for_user.has_value(), triggered.speak});
    }
    if (channel == PM_CHANNEL && !pm_sent) {
        say_note_after_private_message(gui, name);
    }
}

bool contains_insensitive(const std::string& text, const std::string& pattern) {
    // Exactly the ASCII letters fold, as in the classic locale, whatever locale the process runs
    // in. Asked of every speaker line: a look-up of the locale for every byte would cost more
    // than the rest of the line's handling.
    const auto upper = [](char byte) {
        return byte >= 'a' && byte <= 'z' ? static_cast<char>(byte - 'a' + 'A') : byte;
    };
    return !pattern.empty() && std::search(text.begin(), text.end(), pattern.begin(), pattern.end(),
                                           [&upper](char left, char right) {
                                               return upper(left) == upper(right);
                                           }) != text.end();
}

std::string remove_special_characters(const std::string& s) {
    const auto plain_ascii = [](char byte) { return byte >= ' ' && byte <= '~'; };
    std::string kept;
    kept.reserve(s.size());
    std::size_t i = 0;
    while (i < s.size()) {
        // Most of a line is plain ASCII: it is copied a run at a time.
        const std::size_t run_end = static_cast<std::size_t>(
            std::find_if_not(s.begin() + static_cast<std::ptrdiff_t>(i), s.end(), plain_ascii) -
            s.begin());
        kept.append(s, i, run_end - i);
        i = run_end;
        if (i == s.size()) {
            break;
        }
        // A line break keeps the words apart, and the log keeps one record per line.
        if (qvchat2gui::is_newline(s[i])) {
            kept += ' ';
            if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n') {
                ++i;
            }
        } else {
            // A Latin-1 letter's ASCII form; a colour or control byte has none and goes.
            kept += qvchat2gui::ascii_form(static_cast<unsigned char>(s[i]));
        }
        ++i;
    }
    return kept;
}

void assign_channels(ChatGUI* gui, qvnetworklib::Client* /*client*/,
                     const qvnetworklib::ByteVector& payload) {
    if (payload.size() > CHANNEL_PAYLOAD_SIZE) {
        std::cerr << "Something's up. Our channel buffer is " << payload.size() << ", NOT "
                  << CHANNEL_PAYLOAD_SIZE << " as it should be!" << std::endl;
    }
    std::vector<std::uint32_t> slots;
    for (std::size_t offset = 1; offset + CHANNEL_SLOT_SIZE <= payload.size();
         offset += CHANNEL_SLOT_SIZE) {
        slots.push_back(qvnetworklib::assemble(payload[offset], payload[offset + 1],
                                               payload[offset + 2], payload[offset + 3]));
    }
    const std::size_t active_slot = payload.empty() ? 0 : payload[0];
    channel_table().assign(slots, active_slot);
    gui_assign_channels(gui);
}

void gui_assign_channels(ChatGUI* gui) {
    const std::uint32_t active = channel_table().active_number();
    gui->set_active_channel(active == 0 ? std::nullopt : std::optional<unsigned int>(active));
    gui->set_channel_list(channel_table().numbers());
}

void update_clock(ChatGUI* gui, qvnetworklib::Client* /*client*/,
                  const qvnetworklib::ByteVector& payload) {
    if (payload.size() < 2) {
        return;
    }
    gui->update_clock(qvnetworklib::assemble(payload[0], payload[1]));
}

void bad_login(ChatGUI* gui, LoginRefusal* refusal, qvnetworklib::Client* /*client*/,
               const qvnetworklib::ByteVector& /*payload*/) {
    // Recorded before the input loop is told to end, so that start-up sees it when it returns.
    if (refusal != nullptr) {
        refusal->record();
    }
    gui->add_client_line("BAD LOGIN");
    gui->exit_client();
}

void login_failed(ChatGUI* gui, qvnetworklib::Client* client,
                  const qvnetworklib::ByteVector& /*payload*/) {
    gui->add_client_line("Login information invalid");
    gui->exit_client();
    client->exit();
}

}  // namespace qvchat2
