#pragma once

#include <atomic>
#include <boost/function.hpp>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "gui/input_spelling.h"
#include "gui/model/chat_text.h"
#include "gui/model/display_settings.h"
#include "gui/model/found_lines.h"
#include "gui/model/front_end_keys.h"
#include "gui/model/key_bindings.h"
#include "gui/model/line_editor.h"
#include "gui/model/line_effects.h"
#include "gui/model/line_view.h"
#include "gui/model/recent_names.h"
#include "gui/model/speech_output.h"
#include "gui/model/text_matcher.h"

namespace qvnetworklib {
class Client;
}

namespace qvchat2gui {

// Shown instead of sending a typed line that cannot leave.
constexpr char NOT_CONNECTED_NOTICE[] = "Not connected: the line was not sent.";
constexpr char NOT_LOGGED_IN_NOTICE[] = "The server has not answered yet: the line was not sent.";
constexpr char TOO_LONG_NOTICE[] = "The line is too long to send.";
constexpr char NOT_READING_NOTICE[] = "The server is not reading; the line was not sent.";

// The front-end through which every subsystem shows text and through which typed lines reach
// the server. Holds what every front-end shares: the joined channels, the local commands and
// the exit flag.
class ChatGUI {
public:
    using CommandHandler = boost::function<void(std::string)>;

    ChatGUI();
    virtual ~ChatGUI();

    ChatGUI(const ChatGUI&) = delete;
    ChatGUI& operator=(const ChatGUI&) = delete;

    virtual void prompt_login(std::string& username, std::string& password) const = 0;
    // Called from many threads at once; the line may hold colour and other control bytes.
    virtual void add_chat_line(const std::string& line) = 0;
    // Shows one of the client's own lines (answers to commands, notices), as add_chat_line does
    // unless the front-end tells the client's lines apart from the game's. Any thread.
    virtual void add_client_line(const std::string& line);
    // A line read back from the chat log at start, which carries its own time: shown as
    // add_chat_line shows a line, but given no time of its own. Any thread.
    virtual void add_backlog_line(const std::string& line);
    // The keys of this front-end that shared text may name.
    virtual FrontEndKeys keys() const;
    // Runs the user interaction on the calling thread until the user is done.
    virtual void take_control() = 0;
    // The connection typed lines go to; nullptr while there is none. Any thread: whoever
    // replaces a connection gets control back only once no typed line still uses the old one,
    // so it may then destroy it.
    void set_client(qvnetworklib::Client* client);
    // Runs `use` with the current connection (or nullptr), which stays in place meanwhile.
    void with_client(const std::function<void(qvnetworklib::Client*)>& use) const;
    virtual void update_clock(unsigned short minutes) = 0;
    virtual void set_channel_list(const std::vector<unsigned int>& channels);
    // The channels whose chat the user muted, for a front-end that marks them (any thread).
    virtual void set_muted_channels(const std::vector<unsigned int>& channels);

    // Shows a line as add_chat_line does and, when it is for the user, makes it stand out. A
    // front-end that cannot show that shows the plain line.
    virtual void add_highlighted_line(const std::string& line, Attention attention);
    // Where a typed chat line goes: the player or the channel of the view shown, in a front-end
    // with views; nothing sends it as chat.
    virtual std::optional<LineView> typing_destination() const;
    // A received line with the conversation it belongs to, for a front-end with views; any
    // other shows it as add_highlighted_line does.
    virtual void add_line_in_view(const std::string& line, Attention attention,
                                  const LineView& view);
    // A received line that the user's triggers treat: shown as add_line_in_view shows it, in the
    // colour they chose, with the bell and the notification they ask for, where the front-end
    // has them.
    virtual void add_treated_line(const std::string& line, Attention attention,
                                  const LineView& view, const LineEffects& effects);
    // A line of a player the user ignores: shown only while the user asks to see those (a
    // front-end that cannot keeps it out of sight). Any thread.
    virtual void add_ignored_line(const std::string& line);
    // A received line that one of the user's triggers hides: kept as an ignored line is, and
    // shown with those, marked as hidden. Any thread.
    virtual void add_hidden_line(const std::string& line);
    // The state of the connection to the server named `server_name`, and whether the user is
    // away, for a front-end with a status line (any thread).
    virtual void set_connection_state(ConnectionState state, const std::string& server_name);
    virtual void set_away(bool away);
    // As set_away, with the reply sent meanwhile, for a front-end that says it.
    virtual void announce_away(bool away, const std::string& reply);
    // Told the text of every notification of a line for the user that the front-end gives
    // outside the terminal (the terminal not in focus, or the user away), on the thread that
    // added the line. A front-end that gives none never calls it. Only before take_control().
    virtual void set_notification_listener(const std::function<void(const std::string&)>& listener);
    // The user changed how lines are shown while running (#set); a front-end shows what it can
    // of that at once. Input thread.
    virtual void change_display_settings(const DisplaySettings& changed);
    // The channel the server marks as active; set before the channel list it belongs to.
    void set_active_channel(std::optional<unsigned int> channel);

    // Shows lines a search found in place of the chat until the user returns, `marker` marking
    // what matched in them. A front-end without such a view writes them as chat lines.
    virtual void show_found(const FoundLines& found, std::optional<TextMatcher> marker);
    // Shows a search that is still running, its progress and then its lines, as show_found. A
    // front-end without such a view returns at once and shows the lines when they are ready
    // (search_progressed); a search still running is replaced.
    virtual void show_search(std::unique_ptr<ResultSource> search,
                             std::optional<TextMatcher> marker);
    // Any thread: the search shown has progressed or finished.
    virtual void search_progressed();
    // Stops the search shown by the default show_search before it has finished; false when none
    // was running. Not on the search's thread.
    bool cancel_search();

    // The first handler entered for a word stays. Typed words are lowercased before the
    // look-up, so only lower-case words can be reached. Only before take_control().
    void add_callback(const std::string& word, const CommandHandler& handler);

    // What a typed "#word ..." stands for when the word names no local command: `expand` gives
    // the line to interpret in its place, or nothing to take the line as it is; an expander that
    // refuses a line says why and gives an empty line. Tab offers `names` after "#" with the
    // commands. Both run on the input thread. Only before take_control().
    struct AliasExpander {
        std::function<std::optional<std::string>(const std::string& line)> expand;
        std::function<std::vector<std::string>()> names;
    };
    void set_alias_expander(AliasExpander expander);
    // The names of the aliases now, for Tab.
    std::vector<std::string> alias_names() const;

    // Interprets one finished input line: "/name text" is a private message, "#word args"
    // runs a local command when the word is known, or the line an alias stands for, everything
    // else is sent as chat. A line
    // that cannot be sent (no connection, too long for a message, a server that does not
    // read) is named in the chat window.
    void process_input(qvnetworklib::Client* client, const std::string& line);
    // Interprets finished lines in order, through the current connection, until one of them
    // asks to leave: one typed line, or the lines of a paste. A paste whose messages together
    // take more than the connection can queue now is refused whole, with one line saying so,
    // so that it never goes out in part.
    void process_lines(const std::vector<std::string>& lines);
    // Sends, through `send`, a message of `payload_size` bytes that the user asked for, or
    // names in the chat window why it cannot leave, as process_input does for a line.
    void send_typed(qvnetworklib::Client* client, std::size_t payload_size,
                    const std::function<bool(qvnetworklib::Client&)>& send);

    bool should_exit() const;
    void exit_client();

    // Names for Tab completion: a name seen in the chat (any thread), and where the names of
    // the characters nearby come from (only before take_control()).
    void note_name(const std::string& name);
    void set_nearby_names(std::function<std::vector<std::string>()> source);
    // Nearby characters first, then the names seen, most recent first.
    std::vector<std::string> completion_names() const;
    // The same without the user's own name, which is nobody to answer: what Tab offers.
    std::vector<std::string> names_to_complete() const;
    // Whether `word` (lower case, without '#') names a local command.
    bool has_command(const std::string& word) const;
    // The local command names, in order.
    std::vector<std::string> command_names() const;
    // Words Tab offers after a local command (its first argument), such as setting names. Only
    // before take_control().
    void add_command_words(const std::string& command, const std::vector<std::string>& words);
    std::map<std::string, std::vector<std::string>> command_words() const;
    // The same for words that change while the program runs (such as player names): `source` is
    // asked at each first Tab, on the input thread. Only before take_control().
    using WordSource = std::function<std::vector<std::string>()>;
    void add_command_word_source(const std::string& command, WordSource source);
    std::map<std::string, WordSource> command_word_sources() const;

    // The keys the user bound to other actions or to typed lines: read and changed on the input
    // thread only (#bind runs there), where the keys are read.
    KeyBindings& key_bindings();
    // The spelling of the input line: where the run's checker is (only before take_control()),
    // and its use by the key loop.
    void set_spelling(SpellingState* spelling);
    InputSpelling& input_spelling();
    // Where lines are spoken (only before take_control()); nullptr when the run has no speech.
    void set_speech(SpeechOutput* output);
    SpeechOutput* speech() const;
    // Ctrl-G stops speech when the editor has no search or held paste open for it to cancel, and
    // is not inside a paste, where it is text: whether it did. Input thread.
    bool stop_speech_on(int key, const LineEditor& editor);
    // The key to handle for a key pressed, after the user's bindings; nothing when the key was
    // bound to a line, which has then been taken as typed. Input thread.
    std::optional<int> apply_key_binding(int pressed);

    // The lines entered, oldest first: a saved history given before take_control(), and the
    // history to save after it returned. A front-end without an input line keeps none.
    virtual void set_input_history(const std::vector<std::string>& entries);
    virtual std::vector<std::string> input_history() const;

    void exit_client_callback(const std::string& argument);
    void show_channel_info(const std::string& argument);
    // The list of commands and the keys line; with a command's name as argument, then what that
    // command does.
    void show_help(const std::string& argument);

protected:
    // A front-end that uses the default show_search calls this first in its destructor, as the
    // search writes its lines through the front-end.
    void stop_search();
    std::vector<unsigned int> get_channel_list() const;
    std::optional<unsigned int> get_active_channel() const;
    std::vector<unsigned int> get_muted_channels() const;
    // Becomes readable once the exit flag is set, so that a key loop can sleep in poll() until
    // there is a key or a request to leave. -1 when the system gave no descriptor.
    int exit_event_descriptor() const;

private:
    // The framed bytes that process_input queues for the line: none for an empty line, a local
    // command or a line too long to send.
    std::size_t queued_bytes(const std::string& line) const;
    // Where the view shown sends a typed chat line; nothing for a command of the game.
    std::optional<LineView> destination_of(const std::string& chat) const;
    // The payload of a typed chat line where the view shown sends it, and the sending.
    std::size_t chat_payload_size(const std::string& chat) const;
    void send_chat_text(qvnetworklib::Client* client, const std::string& chat);
    // Interprets a typed line, or the line an alias stood for, as process_input describes.
    void interpret(qvnetworklib::Client* client, const std::string& line);
    // Whether the line runs a local command; `space` is where its first space is.
    bool runs_command(const std::string& line, std::string::size_type space) const;
    // Why a paste cannot go out whole through `client`, or nothing when it can.
    std::optional<std::string> paste_refusal(const qvnetworklib::Client* client,
                                             const std::vector<std::string>& lines) const;

    // Guards client. Recursive: a local command run for a typed line (such as "#loc") sends
    // through the same connection.
    mutable std::recursive_mutex client_mutex;
    qvnetworklib::Client* client = nullptr;
    // guards channel_list, active_channel and muted_channels
    mutable std::mutex channel_list_mutex;
    std::vector<unsigned int> channel_list;
    std::optional<unsigned int> active_channel;
    std::vector<unsigned int> muted_channels;
    std::map<std::string, CommandHandler> callbacks;
    std::map<std::string, std::vector<std::string>> words_after_command;
    std::map<std::string, WordSource> word_sources_after_command;
    AliasExpander alias_expander;
    RecentNames recent_names;
    KeyBindings bound_keys;
    InputSpelling typed_spelling;
    SpeechOutput* speech_output = nullptr;
    std::function<std::vector<std::string>()> nearby_names;
    std::atomic<bool> exit_requested{false};
    const int exit_event;

    // The search shown by the default show_search, until the next one or stop_search. Its thread
    // writes its lines; it is let go with search_mutex not held, as it joins that thread.
    std::mutex search_mutex;  // guards the fields up to the blank line below
    std::unique_ptr<ResultSource> written_search;
    std::optional<TextMatcher> written_marker;
    bool search_written = false;
};

}  // namespace qvchat2gui
