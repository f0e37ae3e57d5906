#pragma once

#include <atomic>
#include <boost/chrono.hpp>
#include <boost/thread/condition_variable.hpp>
#include <boost/thread/mutex.hpp>
#include <boost/thread/thread.hpp>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "gui/common_gui.h"
#include "gui/model/chat_search.h"
#include "gui/model/chat_views.h"
#include "gui/model/display_settings.h"
#include "gui/model/line_editor.h"
#include "gui/model/links.h"
#include "gui/model/notification.h"
#include "gui/model/repeat_folder.h"
#include "gui/model/review_point.h"
#include "gui/model/scroll_back.h"
#include "gui/model/top_bar.h"
#include "gui/release_notice.h"
#include "gui/terminal_output.h"
#include "gui/terminal_stop.h"

namespace qvchat2gui {

// The terminal's own colour 8 (bright black, a grey in every common theme), for chat from other
// channels and time stamps. The palette itself is never changed.
constexpr short COLOR_GREY = 8;

struct CursesScreen;

// The input box as it is to be shown: the visible bytes of each row, and the cursor's row (0 is
// the first) and column in the box.
struct InputView {
    std::vector<std::string> rows{std::string()};
    int cursor_row = 0;
    int cursor_column = 1;
    // Per row, the bytes of misspelt words, underlined.
    std::vector<std::vector<MatchRange>> underlined;
    // Said on the box's top border: the spelling suggestions of Alt-S.
    std::string note;
};

// A line for the user as the pane shows it: its time, its view and its text.
struct PaneLine {
    TimeStamp stamp;
    std::string view;
    std::string text;
    Attention attention;
};

// The parts of the screen that changed since the paint thread last painted.
struct PaintRequest {
    bool stop = false;    // Ctrl-Z: leave curses mode, stop, then paint everything
    bool layout = false;  // the windows were made anew: everything is painted
    bool chat = false;
    bool top_bar = false;
    bool input_line = false;
    bool bell = false;    // a line for the user came
    bool mouse = false;   // the wheel was switched on or off: the terminal is told
    bool notify = false;  // a notification is to be written outside the screen
};

// The full-screen front-end: a top bar with channels and clock, the chat window with its
// scroll-back, and the input line, on ncurses.
//
// Threads: the input thread runs take_control(); the paint thread (owned here) is the only one
// that writes to the terminal; any thread may call add_chat_line, update_clock,
// set_channel_list and exit_client, which only store what is to be shown and mark it for the
// paint thread, so that a terminal that stops reading (a stalled link) never holds up the
// threads that deliver messages. Locks: screen_mutex serialises every curses call (curses is
// not thread-safe); the paint thread holds it across its writes to the terminal, so the input
// thread never simply waits for it (lock_screen_for_input); redraw_mutex guards what is to be
// shown and what changed; setup_mutex guards setup_complete. The paint thread also closes
// curses, and the destructor waits for that only a short while: a terminal that does not read
// has its output cut off (TerminalOutput), one that hung up is not waited for at all. Within this
// class no lock is taken while another is held, except the channel-list lock under redraw_mutex; a
// typed line is handled under the client lock, which comes before all of them (docs/architecture.md
// gives the whole order).
class PDCursesGUI : public ChatGUI {
public:
    // Starts curses on the terminal named by TERM and the paint thread. Throws
    // UIFaultException, with the terminal restored, when the terminal cannot be used. With
    // NO_COLOR set and not empty no colour is used (and none is needed).
    explicit PDCursesGUI(const DisplaySettings& settings = DisplaySettings());
    ~PDCursesGUI() override;

    PDCursesGUI(const PDCursesGUI&) = delete;
    PDCursesGUI& operator=(const PDCursesGUI&) = delete;

    // Asks on the whole screen for a user name (echoed) and a password (shown as '*').
    void prompt_login(std::string& username, std::string& password) const override;
    void change_display_settings(const DisplaySettings& changed) override;
    // Wraps the line into the scroll-back and asks the paint thread for a repaint.
    void add_chat_line(const std::string& line) override;
    // As add_chat_line; a line for the user is painted in bold (a private message also in
    // reverse video), counted while the view is scrolled back and rings the bell.
    void add_highlighted_line(const std::string& line, Attention attention) override;
    void add_backlog_line(const std::string& line) override;
    void add_line_in_view(const std::string& line, Attention attention,
                          const LineView& view) override;
    void add_treated_line(const std::string& line, Attention attention, const LineView& view,
                          const LineEffects& effects) override;
    std::optional<LineView> typing_destination() const override;
    // Sets up the windows and runs the key loop until the exit flag is set.
    void take_control() override;
    FrontEndKeys keys() const override;
    void update_clock(unsigned short minutes) override;
    void set_channel_list(const std::vector<unsigned int>& channels) override;
    void set_muted_channels(const std::vector<unsigned int>& channels) override;
    void set_connection_state(ConnectionState state, const std::string& server_name) override;
    void set_away(bool away) override;
    // Kept in grey, marked "(ignored)", out of sight until Alt-= shows the ignored lines.
    void add_ignored_line(const std::string& line) override;
    // Kept as an ignored line is, marked "(hidden)".
    void add_hidden_line(const std::string& line) override;
    void set_input_history(const std::vector<std::string>& entries) override;
    std::vector<std::string> input_history() const override;
    void show_found(const FoundLines& found, std::optional<TextMatcher> marker) override;
    void show_search(std::unique_ptr<ResultSource> search,
                     std::optional<TextMatcher> marker) override;
    void search_progressed() override;

private:
    // A link's part of a chat row: bytes [begin, end) of the row's text, and what it opens.
    struct RowLink {
        std::size_t begin;
        std::size_t end;
        std::string target;
    };

    // What the chat window shows instead of the chat while open (#grep, #logs).
    struct FoundView {
        std::optional<ScrollBack> lines;  // open while set
        std::string note;
        std::optional<TextMatcher> marker;
        bool chat_was_following = true;
        ReviewPoint review;  // Alt-Up and Alt-Down over the found lines
    };

    // Shows a line as add_highlighted_line does, but takes no note of its links: for the lines
    // that list them. A received line (with the effects its triggers ask for) that repeats a
    // recent one is folded into it while the setting asks for that.
    // `stamped`: the line gets the time it came; a backlog line carries its own.
    void store_line(const std::string& line, Attention attention = Attention::none,
                    const LineView& view = LineView::every(), const LineEffects* received = nullptr,
                    bool stamped = true);
    // Kept in grey after `marker`, out of sight until Alt-= shows the ignored lines.
    void keep_out_of_sight(const std::string& line, const std::string& marker);
    // redraw_mutex held: adds the line to the chat, or folds it into the line it repeats, whose
    // number it then gives.
    std::optional<std::uint64_t> keep_in_chat(const std::string& line, Attention attention,
                                              TimeStamp stamp, ScrollBack::ViewTag tag,
                                              bool may_fold);
    void start_colors(bool use_colours);
    void end_curses();
    void ask_paint_thread_to_close();
    bool wait_for_setup_or_close();
    void paint_until_closing();
    void wait_for_close_request();

    void set_up_windows();
    // pane_rows: as the setting `pane` asks.
    void lay_out_windows(int pane_rows);
    // The rows the setting `pane` asks for. Any thread.
    int pane_rows_wanted() const;
    void handle_resize();
    void resize_scroll_back(int columns, int rows);
    void wait_for_setup_complete();

    // What the paint thread copies, under redraw_mutex, of one change to the screen.
    struct PaintJob {
        PaintRequest parts;
        std::vector<ShownLine> chat_lines;
        // What a search found in each row of chat_lines, when one is open.
        std::vector<std::vector<MatchRange>> marks;
        std::string view_note;  // the found view's note, which replaces the chat's own
        BorderNote views_note;  // on the top border: the view shown and the unread elsewhere
        std::vector<PaneLine> pane_lines;  // oldest first
        // The links in each row of chat_lines: where they are in the row, and their target.
        std::vector<std::vector<RowLink>> links;
        std::string clipboard;  // put on the system clipboard after this paint, when not empty
        // A finished search, let go once no lock is held: stopping it joins its thread.
        std::unique_ptr<ResultSource> finished_search;
        bool scrolled_back = false;
        UnseenCount unseen;
        std::string clock_text;
        std::vector<unsigned int> channels;
        std::optional<unsigned int> active_channel;
        std::vector<unsigned int> muted_channels;
        TopBarStatus status;
        InputView input;
        bool mouse = false;  // with parts.mouse: whether the wheel is to be reported
        std::optional<std::uint64_t> jumped_text;    // its rows stand out whole
        std::optional<std::uint64_t> current_match;  // Ctrl-S's: its marks stand out
        std::string notifications;                   // written after the screen, outside curses
    };

    void queue_main_redraw();
    void queue_paint(bool PaintRequest::*part);
    void paint_loop();
    PaintJob take_paint_job(bool chat_due);
    void paint(const PaintJob& job);
    void redraw_window(const PaintJob& job);
    void paint_chat_line(int row, const ShownLine& line, int inner_width, bool jumped_to,
                         const std::vector<MatchRange>& marks, bool current_match);
    void take_chat_rows(PaintJob& job);
    static void take_links(PaintJob& job, const ScrollBack& lines);
    void paint_links(const PaintJob& job);
    // "#grep TEXT": the lines of the scroll-back that match, in the found view.
    void find_in_chat(const std::string& argument);
    void list_urls(const std::string& argument);
    void copy_url(const std::string& argument);
    void redraw_aux_window(const PaintJob& job);
    // The pane of the lines for the user, newest at the bottom. Paint thread, screen lock held.
    void redraw_pane(const PaintJob& job);
    // Keeps a line for the user for the pane. Under redraw_mutex.
    void keep_for_pane(const std::string& line, Attention attention, TimeStamp stamp,
                       ScrollBack::ViewTag view);
    void ring_bell();
    void paint_read_marker(int row, int inner_width);
    // Paint thread, screen lock held: tells the terminal to report the wheel, or to stop.
    static void report_wheel(bool on);
    void redraw_input_window(const InputView& input);
    void focus_in_main();

    bool wait_for_input(std::optional<std::chrono::steady_clock::time_point> deadline) const;
    std::unique_lock<std::mutex> lock_screen_for_input();
    std::vector<int> read_keys();
    std::vector<int> mouse_keys();
    void handle_key(int pressed);
    bool handle_search_key(int key);
    // redraw_mutex held: what a key did to the Ctrl-S search; the scan it stopped, if any, to be
    // let go once the lock is not held.
    std::unique_ptr<ChatScan> take_search_step(ChatSearch::Step step);
    // Any thread, no lock held: takes what the Ctrl-S scan found.
    void chat_scan_progressed();
    // Runs a use of the scroll-back under redraw_mutex, for a scan's thread.
    ChatScan::LockedLines locked_chat_lines();
    void toggle_ignored_lines();
    void set_notification_listener(
        const std::function<void(const std::string&)>& listener) override;
    // redraw_mutex held: the line for the user as a notification's text, when the user is to be
    // told outside the terminal; the terminal's own notification is queued for the paint thread.
    std::optional<std::string> queue_notification(const std::string& line);
    std::optional<boost::chrono::steady_clock::time_point> notification_summary_due() const;
    void take_notifications(PaintJob& job);
    bool handle_reading_key(int key);
    // Views: #view, #views, Alt-Right, Alt-Left and Alt-A. Input thread.
    bool handle_view_key(int key);
    void view_command(const std::string& argument);
    void switch_view(ChatViews::Choice choice);
    std::vector<std::string> view_names() const;
    void jump_to_line_for_user(bool older);
    // Alt-Up and Alt-Down: the review point over the lines of the view shown. Input thread.
    bool handle_review_key(int key);
    // The move over the chat's lines or over the found lines; redraw_mutex held.
    ReviewStep review_chat(ReviewPoint::Move move);
    ReviewStep review_found_lines(ReviewPoint::Move move);
    // Typed text, Enter, Esc and another view end the review: the chat goes back to where it was.
    void leave_review();
    // The same with redraw_mutex held.
    void leave_review_shown();
    bool handle_found_view_key(int key);
    void open_found_view(std::string note, std::optional<TextMatcher> marker);
    std::unique_ptr<ResultSource> close_found_view();
    void scroll_chat(const std::function<void(ScrollBack&)>& move);
    void submit_lines();
    void repaint_everything();
    void show_input_line();

    TerminalStopCatcher stop_catcher;
    // Made before curses changes the terminal's modes.
    TerminalOutput output;
    mutable std::mutex screen_mutex;  // guards every curses call and the fields up to it below
    std::unique_ptr<CursesScreen> curses;
    int main_height = 0;
    int pane_height = 0;
    // Used by the paint thread only.
    int painted_cursor_row = 0;
    int painted_cursor_column = 1;
    std::chrono::steady_clock::time_point last_bell;
    bool repaint_in_full = false;  // the terminal missed output that was cut off
    // The paint thread tells the input thread when it let go of screen_mutex.
    ReleaseNotice screen_released;
    std::atomic<bool> closing{false};  // the paint thread is to close curses and end

    boost::mutex setup_mutex;  // guards setup_complete
    boost::condition_variable setup_cond;
    bool setup_complete = false;

    mutable boost::mutex redraw_mutex;  // guards the fields up to the blank line below
    boost::condition_variable redraw_cond;
    PaintRequest redraw_pending;
    ScrollBack chat_lines;
    int chat_columns = 0;  // the size chat_lines was last given
    int chat_rows = 0;
    ChatSearch chat_search;
    FoundView found_view;
    std::string clipboard_text;  // asked for by #copy, for the next paint
    // A search of the logs or of the chat (#grep) still running. Declared after redraw_mutex,
    // which its progress reports take: it is stopped first. Never let go with the lock held (it
    // joins its thread).
    std::unique_ptr<ResultSource> running_search;
    // The scan for the Ctrl-S search's pattern, let go as running_search is.
    std::unique_ptr<ChatScan> chat_scan;
    std::string clock_text;
    InputView input_view;
    TopBarStatus status;
    DisplaySettings settings;
    bool terminal_focused = true;  // as the terminal's focus reports last said
    // The line for the user that Alt-P or Alt-N went to, marked until the next key, and what the
    // chat's border says meanwhile.
    std::optional<std::uint64_t> jumped_text;
    std::string reading_note;
    ChatViews chat_views;
    RepeatFolder repeats;             // the newest received lines shown, for fold_repeats
    std::deque<PaneLine> pane_lines;  // the newest lines for the user, oldest first
    NotificationThrottle notify_throttle;
    std::vector<std::string> notifications_due;  // texts for the terminal's notifications

    RecentUrls recent_urls;  // its own lock

    // Filled by the constructor, then only read.
    std::string leave_sequence;  // what closing curses writes, for when it could not
    std::map<std::uint8_t, short> color_pairs;
    short stamp_pair = 0;
    std::wstring ellipsis;
    bool paints_links = true;  // the terminal is not one known to show OSC 8 as text
    TerminalFacts terminal_facts;
    // Told the text of each notification (notify_command); set before take_control.
    std::function<void(const std::string&)> notification_listener;

    // Used by the input thread only.
    LineEditor editor;
    int input_inner_width = 0;
    // The rows the input box was laid out for (what the editor asked, and what the terminal gave).
    int input_rows_asked = 1;
    int input_box_rows = 1;
    // The input box's rows as they are to be shown, the cursor's row among them.
    InputView input_box_view();
    // The line the review is on, and where the chat was before the review moved it.
    ReviewPoint review_point;
    ScrollBack::ViewMark view_before_review;
    // Alt-S: the next spelling suggestion for the word at or before the cursor.
    void suggest_spelling();
    // What the input box's border says until the next key.
    std::string input_note;
    // "(to Marek) " before the typed text while a view sends it somewhere of its own.
    std::string input_prefix;
    // The width the editor has: the input box's less the prefix.
    int editor_width() const;

    boost::thread paint_thread;
};

}  // namespace qvchat2gui
