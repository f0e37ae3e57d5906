#pragma once

#include <signal.h>
#include <termios.h>

#include <boost/thread/thread.hpp>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "gui/common_gui.h"
#include "gui/model/display_settings.h"
#include "gui/model/line_editor.h"
#include "gui/model/links.h"
#include "gui/model/review_point.h"
#include "gui/reader/dumb_line.h"
#include "gui/reader/held_views.h"
#include "gui/reader/input_line_view.h"
#include "gui/reader/key_decoder.h"
#include "gui/reader/pending_lines.h"
#include "gui/reader/reader_search.h"
#include "gui/reader/reader_text.h"
#include "gui/reader/repeat_summaries.h"
#include "gui/terminal_output.h"
#include "gui/terminal_stop.h"

namespace qvchat2gui {

// Bracketed paste on while the reader has the terminal, so that a paste is never taken for typed
// lines; off when it gives the terminal back.
inline constexpr char TAKE_TERMINAL_TEXT[] = "\x1b[?2004h";
inline constexpr char GIVE_TERMINAL_BACK_TEXT[] = "\x1b[?2004l";

// How many of the latest lines for the user Alt-1 to Alt-9 say again.
constexpr std::size_t RECENT_LINES_FOR_USER = 9;

// The front-end for screen readers and braille displays: every chat line is written once, whole,
// at the bottom, as plain text whose words say what colour says elsewhere; nothing is redrawn but
// the input line, the terminal's last row, where the real cursor stands where the next typed
// character goes, and of that only what changed. On a dumb terminal (TERM=dumb) not even that:
// typed bytes are echoed and rubbed out, a half-typed line is ended before incoming lines and
// written again after them.
//
// Threads: the input thread runs take_control(); the writer thread (owned here) is the only one
// that writes to the terminal; any thread may add lines and change the status, which only queue
// text for the writer under output_mutex.
class ReaderGUI : public ChatGUI {
public:
    explicit ReaderGUI(const DisplaySettings& initial = DisplaySettings());
    ~ReaderGUI() override;

    ReaderGUI(const ReaderGUI&) = delete;
    ReaderGUI& operator=(const ReaderGUI&) = delete;

    // Asks on the terminal for a user name (echoed) and a password (not echoed).
    void prompt_login(std::string& username, std::string& password) const override;
    void add_chat_line(const std::string& line) override;
    void add_highlighted_line(const std::string& line, Attention attention) override;
    void add_backlog_line(const std::string& line) override;
    // Written at once in the view shown (and when for the user), else held for its view.
    void add_line_in_view(const std::string& line, Attention attention,
                          const LineView& view) override;
    void add_treated_line(const std::string& line, Attention attention, const LineView& view,
                          const LineEffects& effects) override;
    std::optional<LineView> typing_destination() const override;
    // Labelled as the client's, whatever its colour.
    void add_client_line(const std::string& line) override;
    FrontEndKeys keys() const override;
    void take_control() override;
    void update_clock(unsigned short minutes) override;
    void set_channel_list(const std::vector<unsigned int>& channels) override;
    void set_connection_state(ConnectionState state, const std::string& server_name) override;
    void announce_away(bool away, const std::string& reply) override;
    // Called with a line for the user that comes while away. Set before lines come.
    void set_notification_listener(
        const std::function<void(const std::string&)>& listener) override;
    void change_display_settings(const DisplaySettings& changed) override;
    void set_input_history(const std::vector<std::string>& entries) override;
    std::vector<std::string> input_history() const override;
    // Writes the lines as chat lines are written, without keeping them for #grep.
    void show_found(const FoundLines& found, std::optional<TextMatcher> marker) override;

private:
    // What the writer is to write next.
    struct Pending {
        PendingLines lines;                    // as the terminal takes them, without line ends
        std::optional<InputLineView> input;    // the input line, when it changed
        bool whole_input = false;              // to be written whole, whatever the row shows
        std::optional<std::string> clipboard;  // text #copy puts on the clipboard
        TypedChanges typed;                    // a dumb terminal's line, to echo
        bool start = false;                    // the terminal's modes for the reader are to be set
        bool stop = false;  // Ctrl-Z: give the terminal back, stop, take it again
    };

    void queue_line(std::string text);
    // A colour the triggers chose is left to the screen: here the line's colour says who speaks.
    // `stamped`: the time stamp setting applies; a backlog line carries its own time.
    void write_line(const std::string& line, LineOrigin origin, Attention attention,
                    const LineEffects& effects = {}, bool stamped = true);
    // Whether a line for the user may ring now: at most once a second. Under output_mutex.
    bool bell_due();
    void list_urls();
    void copy_url(const std::string& argument);
    void handle_key(int pressed);
    // Alt-S: the next spelling suggestion goes into the line, and is said once as a line.
    void suggest_spelling();
    void handle_dumb_key(int key, std::vector<std::string>& lines);
    void show_input_line(bool whole = false);
    void say_recent(std::size_t place);
    // A received line folded into the one it repeats: said later, counted.
    void note_repeat(const std::string& line, Attention attention, std::uint32_t count);
    // output_mutex held: keeps a line for the user to say again with Alt-1 to Alt-9.
    void keep_recent_for_user(std::string text);
    // Views: #view, #views, Alt-Right, Alt-Left, Alt-A. Input thread.
    void register_view_commands();
    bool handle_view_key(int key);
    void view_command(const std::string& argument);
    // Says the view now shown and writes what it held.
    void write_shown(const HeldViews::Shown& shown);
    // Alt-Up, Alt-Down, Alt-Home and Alt-End: the review point over the lines kept for the view
    // shown, said by speech when it speaks, else written once. Input thread.
    bool handle_review_key(int key);
    void write_review(const ReviewStep& step);
    void read_keys_until_exit();
    void read_lines_until_exit();
    void pass_on_stop_request();
    // The keys of what the terminal sent; nothing, with leaving asked for, once it hung up.
    std::optional<std::vector<int>> read_terminal();
    // Waits for input, the exit event or a terminal signal; false when the terminal is gone.
    bool wait_for_input(std::optional<std::chrono::milliseconds> limit) const;
    int input_width() const;

    void write_loop();
    void write_pending(const std::deque<std::string>& lines, Pending& taken);
    void stop_and_go_on();
    void take_terminal();
    void give_terminal_back();

    const bool dumb;  // TERM=dumb: no cursor movement and no escape sequences at all
    TerminalStopCatcher stop_catcher;
    TerminalOutput output;
    std::optional<termios> shell_modes;
    struct sigaction previous_resize_action {};
    bool resize_waker_installed = false;

    std::mutex output_mutex;  // guards the fields up to the blank line below
    std::condition_variable output_changed;
    Pending pending;
    ReaderTerminal terminal;
    DisplaySettings settings;
    std::chrono::steady_clock::time_point last_bell;
    std::string clock_text;
    ConnectionState connection = ConnectionState::unknown;
    bool connected_before = false;
    std::vector<unsigned int> channels_said;
    std::deque<std::string> recent_for_user;  // newest first
    RepeatSummaries repeat_summaries;
    bool user_away = false;
    bool closing = false;

    SearchedLines searched_lines;  // its own lock
    HeldViews held_views;          // its own lock
    RecentUrls recent_urls;        // has a lock of its own

    // Set on main before lines come, then only read.
    std::function<void(const std::string&)> notification_listener;

    // Used by the writer thread only.
    std::optional<InputLineView> input_shown;   // what the input row shows
    std::optional<InputLineView> input_wanted;  // what it is to show after chat lines
    DumbRow dumb_row;

    // Used by the input thread only.
    LineEditor editor;
    int shown_width = 0;
    KeyDecoder decoder;
    std::string typed_bytes;  // a dumb terminal's unfinished line
    bool echo_typed = false;  // a dumb terminal that echoed typed bytes before the reader took it
    // The line of searched_lines that the review is on.
    ReviewPoint review_point;

    boost::thread writer;
};

}  // namespace qvchat2gui
