#include "gui/common_gui.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <boost/bind/bind.hpp>
#include <utility>

#include "gui/model/command_help.h"
#include "gui/model/key_codes.h"
#include "network/QVClient.h"

namespace qvchat2gui {

namespace {

constexpr std::size_t BYTES_PER_KIB = 1024;

// Names the paste by what the user sees of it: its lines and the size of their text, in KiB
// rounded up, so that no paste is called 0 KiB.
std::string paste_too_large_notice(const std::vector<std::string>& lines) {
    std::size_t text_bytes = 0;
    for (const std::string& line : lines) {
        text_bytes += line.size();
    }
    const std::size_t kib = (text_bytes + BYTES_PER_KIB - 1) / BYTES_PER_KIB;
    return "The paste is too large to send (" + std::to_string(lines.size()) + " lines, " +
           std::to_string(kib) + " KiB); nothing was sent.";
}

bool is_private_message(const std::string& line, std::string::size_type space) {
    return !line.empty() && line[0] == '/' && space != std::string::npos;
}

// The text a typed line sends as chat: "##word" reaches the game as "#word", so that a game
// command is never hidden by a local one of the same name.
std::string chat_text(const std::string& line) {
    return line.rfind("##", 0) == 0 ? line.substr(1) : line;
}

// The first word of a command's argument, without a "#" before it: "#help #ignore" asks about
// "ignore" too.
std::string first_word_of(const std::string& argument) {
    const std::string::size_type start = argument.find_first_not_of(" #");
    if (start == std::string::npos) {
        return "";
    }
    return argument.substr(start, argument.find(' ', start) - start);
}

// Only A to Z change, whatever locale the process runs in.
std::string lowercase_ascii(std::string word) {
    for (char& byte : word) {
        if (byte >= 'A' && byte <= 'Z') {
            byte = static_cast<char>(byte - 'A' + 'a');
        }
    }
    return word;
}

}  // namespace

ChatGUI::ChatGUI() : exit_event(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    using boost::placeholders::_1;
    add_callback("exit", boost::bind(&ChatGUI::exit_client_callback, this, _1));
    add_callback("quit", boost::bind(&ChatGUI::exit_client_callback, this, _1));
    add_callback("ci", boost::bind(&ChatGUI::show_channel_info, this, _1));
    add_callback("help", boost::bind(&ChatGUI::show_help, this, _1));
}

ChatGUI::~ChatGUI() {
    if (exit_event >= 0) {
        close(exit_event);
    }
}

void ChatGUI::set_client(qvnetworklib::Client* new_client) {
    const std::lock_guard<std::recursive_mutex> lock(client_mutex);
    client = new_client;
}

void ChatGUI::with_client(const std::function<void(qvnetworklib::Client*)>& use) const {
    const std::lock_guard<std::recursive_mutex> lock(client_mutex);
    use(client);
}

void ChatGUI::set_channel_list(const std::vector<unsigned int>& channels) {
    const std::lock_guard<std::mutex> lock(channel_list_mutex);
    channel_list = channels;
}

std::vector<unsigned int> ChatGUI::get_channel_list() const {
    const std::lock_guard<std::mutex> lock(channel_list_mutex);
    return channel_list;
}

std::optional<unsigned int> ChatGUI::get_active_channel() const {
    const std::lock_guard<std::mutex> lock(channel_list_mutex);
    return active_channel;
}

void ChatGUI::set_muted_channels(const std::vector<unsigned int>& channels) {
    const std::lock_guard<std::mutex> lock(channel_list_mutex);
    muted_channels = channels;
}

std::vector<unsigned int> ChatGUI::get_muted_channels() const {
    const std::lock_guard<std::mutex> lock(channel_list_mutex);
    return muted_channels;
}

void ChatGUI::set_active_channel(std::optional<unsigned int> channel) {
    const std::lock_guard<std::mutex> lock(channel_list_mutex);
    active_channel = channel;
}

void ChatGUI::add_client_line(const std::string& line) {
    add_chat_line(line);
}

void ChatGUI::add_backlog_line(const std::string& line) {
    add_chat_line(line);
}

FrontEndKeys ChatGUI::keys() const {
    return {};
}

void ChatGUI::add_highlighted_line(const std::string& line, Attention /*attention*/) {
    add_chat_line(line);
}

void ChatGUI::set_connection_state(ConnectionState /*state*/, const std::string& /*server_name*/) {}

void ChatGUI::set_away(bool /*away*/) {}

void ChatGUI::announce_away(bool away, const std::string& /*reply*/) {
    set_away(away);
}

void ChatGUI::change_display_settings(const DisplaySettings& /*changed*/) {}

void ChatGUI::set_notification_listener(
    const std::function<void(const std::string&)>& /*listener*/) {}

void ChatGUI::add_callback(const std::string& word, const CommandHandler& handler) {
    callbacks.emplace(word, handler);
}

void ChatGUI::set_alias_expander(AliasExpander expander) {
    alias_expander = std::move(expander);
}

std::vector<std::string> ChatGUI::alias_names() const {
    return alias_expander.names ? alias_expander.names() : std::vector<std::string>();
}

void ChatGUI::process_input(qvnetworklib::Client* client, const std::string& line) {
    // The expander follows aliases that call aliases itself, so what it gives is interpreted
    // once, never expanded again.
    const bool may_call_alias = alias_expander.expand && !line.empty() && line[0] == '#' &&
                                !runs_command(line, line.find(' '));
    const std::optional<std::string> expanded =
        may_call_alias ? alias_expander.expand(line) : std::nullopt;
    interpret(client, expanded.value_or(line));
}

void ChatGUI::interpret(qvnetworklib::Client* client, const std::string& line) {
    if (line.empty()) {
        return;
    }
    const std::string::size_type space = line.find(' ');
    const std::string argument = space == std::string::npos ? "" : line.substr(space + 1);

    if (is_private_message(line, space)) {
        // The payload is the line without its slash: name, space, text.
        send_typed(client, line.size() - 1, [&](qvnetworklib::Client& connected) {
            return connected.send_pm(line.substr(1, space - 1), argument);
        });
        return;
    }
    if (runs_command(line, space)) {
        callbacks.at(lowercase_ascii(line.substr(1, space - 1)))(argument);
        return;
    }
    send_chat_text(client, chat_text(line));
}

// The lines, then what they are in words: the border's note names keys this front-end lacks.
void ChatGUI::show_found(const FoundLines& found, std::optional<TextMatcher> /*marker*/) {
    for (const std::string& line : found.lines) {
        add_chat_line(line);
    }
    if (!found.summary.empty()) {
        add_client_line(server_line(found.summary));
    }
}

void ChatGUI::add_line_in_view(const std::string& line, Attention attention,
                               const LineView& /*view*/) {
    add_highlighted_line(line, attention);
}

void ChatGUI::add_treated_line(const std::string& line, Attention attention, const LineView& view,
                               const LineEffects& /*effects*/) {
    add_line_in_view(line, attention, view);
}

void ChatGUI::add_ignored_line(const std::string& /*line*/) {}

void ChatGUI::add_hidden_line(const std::string& line) {
    add_ignored_line(line);
}

bool ChatGUI::runs_command(const std::string& line, std::string::size_type space) const {
    return !line.empty() && line[0] == '#' &&
           callbacks.count(lowercase_ascii(line.substr(1, space - 1))) > 0;
}

std::size_t ChatGUI::queued_bytes(const std::string& line) const {
    const std::string::size_type space = line.find(' ');
    if (line.empty() || runs_command(line, space)) {
        return 0;
    }
    const std::size_t payload =
        is_private_message(line, space) ? line.size() - 1 : chat_payload_size(chat_text(line));
    return payload > qvnetworklib::MAX_PAYLOAD_SIZE ? 0 : qvnetworklib::HEADER_SIZE + payload;
}

std::optional<std::string> ChatGUI::paste_refusal(const qvnetworklib::Client* client,
                                                  const std::vector<std::string>& lines) const {
    std::size_t total = 0;
    bool for_the_server = false;
    for (const std::string& line : lines) {
        total += queued_bytes(line);
        for_the_server = for_the_server || (!line.empty() && !runs_command(line, line.find(' ')));
    }
    // Offline, one line says it all: a notice for every pasted line would flush the scroll-back.
    if (client == nullptr || !client->is_connected() || !client->login_time()) {
        if (!for_the_server) {
            return std::nullopt;
        }
        return std::string(client != nullptr && client->is_connected()
                               ? "The server has not answered yet"
                               : "Not connected") +
               ": the paste of " + std::to_string(lines.size()) + " lines was not sent.";
    }
    if (total > client->write_room()) {
        return paste_too_large_notice(lines);
    }
    return std::nullopt;
}

void ChatGUI::process_lines(const std::vector<std::string>& lines) {
    // What the user types matters more than what is being read out.
    if (speech_output != nullptr &&
        std::any_of(lines.begin(), lines.end(),
                    [](const std::string& line) { return !line.empty(); })) {
        speech_output->stop();
    }
    if (lines.size() > 1) {
        std::optional<std::string> refusal;
        with_client([&](const qvnetworklib::Client* connection) {
            refusal = paste_refusal(connection, lines);
        });
        if (refusal) {
            add_client_line(server_line(*refusal));
            return;
        }
    }
    // One line at a time through the connection of the moment, so that a reconnection is not
    // held up by a long paste; a "#quit" among them ends the sending.
    for (const std::string& line : lines) {
        if (should_exit()) {
            break;
        }
        with_client(
            [this, &line](qvnetworklib::Client* connection) { process_input(connection, line); });
    }
}

void ChatGUI::send_typed(qvnetworklib::Client* client, std::size_t payload_size,
                         const std::function<bool(qvnetworklib::Client&)>& send) {
    // A typed line that cannot leave must not vanish without a word.
    if (client == nullptr || !client->is_connected()) {
        add_client_line(server_line(NOT_CONNECTED_NOTICE));
        return;
    }
    // Before the login, the server would take the line for a login or drop it.
    if (!client->login_time()) {
        add_chat_line(server_line(NOT_LOGGED_IN_NOTICE));
        return;
    }
    if (payload_size > qvnetworklib::MAX_PAYLOAD_SIZE) {
        add_client_line(server_line(TOO_LONG_NOTICE));
        return;
    }
    // A message that fits is refused only while earlier ones still wait to be written.
    if (!send(*client)) {
        add_client_line(server_line(NOT_READING_NOTICE));
    }
}

bool ChatGUI::should_exit() const {
    return exit_requested.load();
}

void ChatGUI::exit_client() {
    exit_requested.store(true);
    if (exit_event >= 0) {
        eventfd_write(exit_event, 1);
    }
}

int ChatGUI::exit_event_descriptor() const {
    return exit_event;
}

void ChatGUI::note_name(const std::string& name) {
    recent_names.note(name);
}

void ChatGUI::set_nearby_names(std::function<std::vector<std::string>()> source) {
    nearby_names = std::move(source);
}

std::vector<std::string> ChatGUI::completion_names() const {
    std::vector<std::string> names = nearby_names ? nearby_names() : std::vector<std::string>();
    const std::vector<std::string> seen = recent_names.most_recent_first();
    names.insert(names.end(), seen.begin(), seen.end());
    return names;
}

std::vector<std::string> ChatGUI::names_to_complete() const {
    std::vector<std::string> names = completion_names();
    with_client([&names](const qvnetworklib::Client* connection) {
        if (connection != nullptr) {
            const std::string& own = connection->get_username();
            names.erase(std::remove(names.begin(), names.end(), own), names.end());
        }
    });
    return names;
}

bool ChatGUI::has_command(const std::string& word) const {
    return callbacks.count(word) > 0;
}

std::vector<std::string> ChatGUI::command_names() const {
    std::vector<std::string> names;
    names.reserve(callbacks.size());
    for (const auto& command : callbacks) {
        names.push_back(command.first);
    }
    return names;
}

void ChatGUI::add_command_words(const std::string& command, const std::vector<std::string>& words) {
    words_after_command.emplace(command, words);
}

std::map<std::string, std::vector<std::string>> ChatGUI::command_words() const {
    return words_after_command;
}

void ChatGUI::add_command_word_source(const std::string& command, WordSource source) {
    word_sources_after_command.emplace(command, std::move(source));
}

std::map<std::string, ChatGUI::WordSource> ChatGUI::command_word_sources() const {
    return word_sources_after_command;
}

KeyBindings& ChatGUI::key_bindings() {
    return bound_keys;
}

void ChatGUI::set_spelling(SpellingState* spelling) {
    typed_spelling.set_state(spelling);
}

InputSpelling& ChatGUI::input_spelling() {
    return typed_spelling;
}

void ChatGUI::set_speech(SpeechOutput* output) {
    speech_output = output;
}

SpeechOutput* ChatGUI::speech() const {
    return speech_output;
}

bool ChatGUI::stop_speech_on(int key, const LineEditor& editor) {
    if (key != ctrl('g') || speech_output == nullptr || editor.pasting() || editor.prompt_open()) {
        return false;
    }
    speech_output->stop();
    return true;
}

std::optional<int> ChatGUI::apply_key_binding(int pressed) {
    KeyBindings::Resolved resolved = bound_keys.resolve(pressed);
    if (resolved.typed_line) {
        process_lines({*resolved.typed_line});
        return std::nullopt;
    }
    return resolved.key;
}

void ChatGUI::set_input_history(const std::vector<std::string>& /*entries*/) {}

std::vector<std::string> ChatGUI::input_history() const {
    return {};
}

void ChatGUI::exit_client_callback(const std::string& /*argument*/) {
    exit_client();
}

void ChatGUI::show_channel_info(const std::string& /*argument*/) {
    std::string text = "You are on channels ";
    const std::vector<unsigned int> channels = get_channel_list();
    for (std::size_t index = 0; index < channels.size(); ++index) {
        if (index > 0) {
            text += ", ";
        }
        text += channels[index] > GUILD_CUTOFF ? "guild" : std::to_string(channels[index]);
    }
    add_client_line(text);
}

void ChatGUI::show_help(const std::string& argument) {
    std::string text = "Available commands: ";
    const std::vector<std::string> names = command_names();
    for (std::size_t index = 0; index < names.size(); ++index) {
        text += (index > 0 ? ", #" : "#") + names[index];
    }
    add_client_line(text);
    add_client_line(
        help_keys_line(keys(), [this](const std::string& word) { return has_command(word); }));
    // Any other argument leaves the help as it was.
    const std::string asked = lowercase_ascii(first_word_of(argument));
    const std::optional<std::string> description = command_description(asked);
    if (description && has_command(asked)) {
        add_client_line(*description);
    }
}

}  // namespace qvchat2gui
