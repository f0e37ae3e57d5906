#include "gui/pdcurses_gui.h"

#include <termios.h>

#include <algorithm>
#include <array>
#include <climits>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <cwchar>
#include <string_view>
#include <utility>

#include "gui/curses_api.h"
#include "gui/game_cell.h"
#include "gui/model/text_wrap.h"
#include "gui/model/time_stamp.h"
#include "gui/model/window_layout.h"
#include "gui/terminal_modes.h"
#include "gui/ui_exception.h"

namespace qvchat2gui {

namespace {

constexpr int MIN_COLOR_PAIRS = 6;
constexpr short DEFAULT_PAIR = 1;
constexpr short GM_PAIR = 3;
constexpr short GREY_PAIR = 4;
// Colours from 8 up are the bright ones; a terminal with fewer has no grey of its own.
constexpr int BRIGHT_COLORS = 16;
// A lone Escape key would hold the screen lock for curses' default second.
constexpr int ESCAPE_DELAY_MS = 25;
// Shortest time between two bells.
constexpr std::chrono::seconds BELL_INTERVAL{1};

void draw_box(WINDOW* window) {
    box(window, 0, 0);
}

// Ctrl-S must not stop the terminal's output: a client whose screen cannot be written would
// stop answering the server. Curses keeps these modes as the program's own, so they come back
// after a suspend and the user's settings come back when curses mode ends.
void turn_off_flow_control() {
    termios modes{};
    if (tcgetattr(fileno(stdin), &modes) != 0) {
        return;
    }
    modes.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF);
    if (tcsetattr(fileno(stdin), TCSANOW, &modes) == 0) {
        def_prog_mode();
    }
}

// no-color.org: set and not empty.
bool colours_switched_off() {
    // NOLINTNEXTLINE(concurrency-mt-unsafe): nothing in this program changes the environment
    const char* no_color = std::getenv("NO_COLOR");
    return no_color != nullptr && *no_color != '\0';
}

// The ellipsis that ends a cut text: one character where the locale can write it.
std::wstring ellipsis_for_locale() {
    std::mbstate_t state{};
    std::array<char, MB_LEN_MAX> bytes{};
    // With a state of its own the conversion shares nothing with other threads.
    const std::size_t written =
        std::wcrtomb(bytes.data(), L'\u2026', &state);  // NOLINT(concurrency-mt-unsafe)
    return written == static_cast<std::size_t>(-1) ? std::wstring(L"...") : std::wstring(L"\u2026");
}

std::string without_delays(const std::string& text) {
    std::string kept;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t delay = text.find("$<", at);
        const std::size_t delay_end =
            delay == std::string::npos ? std::string::npos : text.find('>', delay);
        if (delay_end == std::string::npos) {
            kept += text.substr(at);
            break;
        }
        kept += text.substr(at, delay - at);
        at = delay_end + 1;
    }
    return kept;
}

// What closing curses and the front-end's own modes would write: keypad, mouse, focus reports and
// bracketed paste off, plain attributes, the cursor shown, the shell's screen back. Delays written
// into terminfo strings ("$<5>") are left out: nothing here waits for the terminal. The mouse is
// switched off whether or not it was on: #set may have turned it on since.
std::string leave_sequence_for_terminal() {
    std::string sequence = "\033[?1006l\033[?1000l\033[?1004l\033[?2004l";
    for (const char* capability : {"rmkx", "sgr0", "cnorm", "rmcup"}) {
        const char* text = tigetstr(capability);
        // -1 is terminfo's mark of a capability that is not a string.
        // NOLINTNEXTLINE(performance-no-int-to-ptr): that mark is an address made of an integer
        if (text == nullptr || text == reinterpret_cast<char*>(-1)) {
            continue;
        }
        sequence += without_delays(text);
    }
    return sequence;
}

// Without cursor motion (a dumb terminal) no screen can be drawn, with colours or without.
bool terminal_moves_cursor() {
    const char* cursor_move = tigetstr("cup");
    // NOLINTNEXTLINE(performance-no-int-to-ptr): terminfo's mark of a capability that is no string
    return cursor_move != nullptr && cursor_move != reinterpret_cast<char*>(-1);
}

// What the user can do about a terminal without colours: NO_COLOR helps only where the screen
// can be drawn at all.
std::string ways_without_colours() {
    return terminal_moves_cursor()
               ? "Start with --reader for plain lines, or set NO_COLOR=1 to run without colours."
               : "Start with --reader for plain lines; NO_COLOR=1 needs cursor motion.";
}

}  // namespace

PDCursesGUI::PDCursesGUI(const DisplaySettings& settings)
    : curses(std::make_unique<CursesScreen>()),
      chat_lines(0, 0, settings.kept_texts),
      settings(settings) {
    // Every text keeps its time stamp, so that switching them on shows them on the lines so far.
    chat_lines.show_stamps(settings.timestamps);
    chat_lines.set_drop_listener([this](ScrollBack::ViewTag tag, bool for_user, bool folded) {
        chat_views.forget_line(tag, for_user, folded);
    });
    // Box lines and the terminal's encoding follow the user's locale. Both calls below run
    // before this object starts its thread, as front-ends are built during start-up.
    std::setlocale(LC_CTYPE, "");                // NOLINT(concurrency-mt-unsafe)
    const char* terminal = std::getenv("TERM");  // NOLINT(concurrency-mt-unsafe)
    curses->screen = newterm(terminal, stdout, stdin);
    if (curses->screen == nullptr) {
        throw UIFaultException(terminal == nullptr
                                   ? std::string("Cannot start the screen: TERM is not set.")
                                   : "Cannot start the screen on the terminal type \"" +
                                         std::string(terminal) + "\" (check TERM).");
    }
    try {
        noecho();
        cbreak();
        turn_off_flow_control();
        set_escdelay(ESCAPE_DELAY_MS);
        define_editing_keys();
        ellipsis = ellipsis_for_locale();
        // The Linux console shows an OSC 8 link's sequences as text.
        paints_links = std::string_view(terminal).rfind("linux", 0) != 0;
        terminal_facts = terminal_facts_from_environment();
        // Without colours none is needed either.
        const bool use_colours = !colours_switched_off();
        if (use_colours && has_colors() == FALSE) {
            throw UIFaultException(std::string("Terminal requires color support.\n") +
                                   ways_without_colours());
        }
        if (!use_colours && !terminal_moves_cursor()) {
            throw UIFaultException(
                "This terminal cannot move the cursor, so the screen cannot be drawn.\n"
                "Start with --reader for plain lines.");
        }
        if (use_colours) {
            start_color();
        }
        if (use_colours && COLOR_PAIRS <= MIN_COLOR_PAIRS) {
            throw UIFaultException("Needs at least " + std::to_string(MIN_COLOR_PAIRS) +
                                   " color pairs; we have " + std::to_string(COLOR_PAIRS));
        }
        start_colors(use_colours);
        leave_sequence = leave_sequence_for_terminal();
        if (paints_links) {
            // A cut-off can land inside a link: the text after it must not stay linked.
            leave_sequence.insert(0, hyperlink_close());
            output.close_after_cut(hyperlink_close());
        }
        set_terminal_reports(true);
        const WindowLayout layout(LINES, COLS);
        chat_columns = layout.columns;
        chat_rows = layout.chat_rows();
        chat_lines.resize(chat_columns, chat_rows);
        add_callback("grep", [this](const std::string& argument) { find_in_chat(argument); });
        add_callback("view", [this](const std::string& argument) { view_command(argument); });
        add_callback("views", [this](const std::string& /*argument*/) {
            std::string listing;
            {
                const boost::lock_guard<boost::mutex> lock(redraw_mutex);
                listing = chat_views.listing();
            }
            add_client_line(server_line(listing));
        });
        add_callback("urls", [this](const std::string& argument) { list_urls(argument); });
        add_callback("copy", [this](const std::string& argument) { copy_url(argument); });
        paint_thread = boost::thread(&PDCursesGUI::paint_loop, this);
    } catch (...) {
        // The message must be readable and the terminal usable after the failure.
        end_curses();
        throw;
    }
}

// The pairs are made from the terminal's own colours; the palette is never changed, so the
// user's theme stays as it is during the run and after it. Without colours every colour byte
// still takes no column and selects the terminal's default colours.
void PDCursesGUI::start_colors(bool use_colours) {
    if (!use_colours) {
        for (const std::uint8_t byte :
             {DEFAULT_COLOR, std::uint8_t{0x81}, std::uint8_t{2}, std::uint8_t{9}, std::uint8_t{16},
              std::uint8_t{23}, GM_COLOR, OFF_CHANNEL_COLOR, PM_COLOR, SERVER_COLOR}) {
            color_pairs[byte] = 0;
        }
        return;
    }
    init_pair(1, COLOR_WHITE, COLOR_BLACK);
    color_pairs[DEFAULT_COLOR] = 1;
    color_pairs[0x81] = 1;
    init_pair(2, COLOR_YELLOW, COLOR_BLACK);
    for (const std::uint8_t byte : {2, 9, 16, 23}) {
        color_pairs[byte] = 2;
    }
    init_pair(GM_PAIR, COLOR_BLUE, COLOR_BLACK);
    color_pairs[GM_COLOR] = GM_PAIR;
    if (COLORS >= BRIGHT_COLORS && init_pair(GREY_PAIR, COLOR_GREY, COLOR_BLACK) == OK) {
        color_pairs[OFF_CHANNEL_COLOR] = GREY_PAIR;
    } else {
        color_pairs[OFF_CHANNEL_COLOR] = DEFAULT_PAIR;
    }
    stamp_pair = color_pairs.at(OFF_CHANNEL_COLOR);
    init_pair(5, COLOR_MAGENTA, COLOR_BLACK);
    color_pairs[PM_COLOR] = 5;
    init_pair(6, COLOR_GREEN, COLOR_BLACK);
    color_pairs[SERVER_COLOR] = 6;
}

void PDCursesGUI::end_curses() {
    for (WINDOW** window :
         {&curses->input_window, &curses->aux_window, &curses->pane_window, &curses->main_window}) {
        if (*window != nullptr) {
            wclear(*window);
            delwin(*window);
            *window = nullptr;
        }
    }
    if (curses->screen != nullptr) {
        set_terminal_reports(false);
        endwin();
        delscreen(curses->screen);
        curses->screen = nullptr;
    }
}

void PDCursesGUI::set_up_windows() {
    int columns = 0;
    int rows = 0;
    bool mouse = false;
    {
        const boost::lock_guard<boost::mutex> lock(redraw_mutex);
        mouse = settings.mouse;
    }
    const int pane_rows = pane_rows_wanted();
    {
        const std::lock_guard<std::mutex> lock(screen_mutex);
        lay_out_windows(pane_rows);
        columns = COLS;
        rows = main_height - 2;
        if (mouse) {
            report_wheel(true);
        }
    }
    resize_scroll_back(columns, rows);
    add_chat_line("");
    show_input_line();
    queue_paint(&PaintRequest::layout);
    {
        const boost::lock_guard<boost::mutex> lock(setup_mutex);
        setup_complete = true;
    }
    setup_cond.notify_all();
}

// Input thread, screen lock held. Makes the windows for the current terminal size, replacing any
// earlier ones; the paint thread fills them. Nothing is written to the terminal here.
void PDCursesGUI::lay_out_windows(int pane_rows) {
    input_rows_asked = static_cast<int>(editor.box_rows());
    const WindowLayout layout(LINES, COLS, pane_rows, input_rows_asked);
    input_box_rows = layout.input_rows();
    for (WINDOW** window :
         {&curses->input_window, &curses->aux_window, &curses->pane_window, &curses->main_window}) {
        if (*window != nullptr) {
            delwin(*window);
            *window = nullptr;
        }
    }
    main_height = layout.main_height;
    pane_height = layout.pane_height;
    if (pane_height > 0) {
        curses->pane_window = newwin(pane_height, layout.columns, layout.pane_top, 0);
        wclear(curses->pane_window);
        wnoutrefresh(curses->pane_window);
    }
    curses->aux_window = newwin(layout.aux_height, layout.columns, 0, 0);
    curses->main_window = newwin(layout.main_height, layout.columns, layout.main_top, 0);
    curses->input_window = newwin(layout.input_height, layout.columns, layout.input_top, 0);
    for (WINDOW* window : {curses->aux_window, curses->main_window, curses->input_window}) {
        wclear(window);
        draw_box(window);
        wnoutrefresh(window);
    }
    keypad(curses->input_window, TRUE);
    // Keys are read only after poll() saw input, so the read must never block.
    nodelay(curses->input_window, TRUE);
    input_inner_width = layout.inner_width();
    editor.fit_to_width(editor_width());
}

void PDCursesGUI::handle_resize() {
    int columns = 0;
    int rows = 0;
    const int pane_rows = pane_rows_wanted();
    {
        const std::unique_lock<std::mutex> lock = lock_screen_for_input();
        if (!lock.owns_lock()) {
            return;
        }
        // Whatever the terminal did to the old picture is painted over in full.
        clearok(curscr, TRUE);
        lay_out_windows(pane_rows);
        columns = COLS;
        rows = main_height - 2;
    }
    resize_scroll_back(columns, rows);
    show_input_line();
    queue_paint(&PaintRequest::layout);
}

void PDCursesGUI::resize_scroll_back(int columns, int rows) {
    const boost::lock_guard<boost::mutex> lock(redraw_mutex);
    chat_columns = columns;
    chat_rows = rows;
    chat_lines.resize(columns, rows);
    // The match a search shows stays in view.
    if (const std::optional<std::uint64_t> shown = chat_search.current()) {
        chat_lines.show_text(*shown);
    }
    if (found_view.lines) {
        found_view.lines->resize(columns, rows);
    }
}

void PDCursesGUI::wait_for_setup_complete() {
    boost::unique_lock<boost::mutex> lock(setup_mutex);
    setup_cond.wait(lock, [this] { return setup_complete; });
}

void PDCursesGUI::queue_main_redraw() {
    queue_paint(&PaintRequest::chat);
}

void PDCursesGUI::queue_paint(bool PaintRequest::*part) {
    bool already_pending = false;
    {
        const boost::lock_guard<boost::mutex> lock(redraw_mutex);
        already_pending = std::exchange(redraw_pending.*part, true);
    }
    if (!already_pending) {
        redraw_cond.notify_one();
    }
}

// Paint thread: the only place that writes to the terminal once the windows exist.
void PDCursesGUI::paint(const PaintJob& job) {
    const std::lock_guard<std::mutex> lock(screen_mutex);
    if (curses->main_window == nullptr) {
        return;
    }
    if (std::exchange(repaint_in_full, false)) {
        clearok(curscr, TRUE);
    }
    if (job.parts.stop) {
        stop_like_ctrl_z();
    }
    if (job.parts.mouse) {
        report_wheel(job.mouse);
    }
    if (job.parts.chat) {
        redraw_window(job);
        redraw_pane(job);
    }
    if (job.parts.top_bar) {
        redraw_aux_window(job);
    }
    if (job.parts.input_line) {
        redraw_input_window(job.input);
    }
    focus_in_main();
    if (job.parts.chat) {
        paint_links(job);
    }
    if (!job.clipboard.empty()) {
        write_to_terminal(clipboard_sequence(job.clipboard));
    }
    if (job.parts.bell) {
        ring_bell();
    }
    // Between frames: the paint thread is the only writer, and a frame is never cut in two.
    if (!job.notifications.empty()) {
        write_to_terminal(job.notifications);
    }
}

// Paint thread, screen lock held. Lines for the user that come close together ring once.
void PDCursesGUI::ring_bell() {
    const auto now = std::chrono::steady_clock::now();
    if (last_bell.time_since_epoch().count() == 0 || now - last_bell >= BELL_INTERVAL) {
        last_bell = now;
        beep();
    }
}

// Paint thread, screen lock held.
void PDCursesGUI::redraw_aux_window(const PaintJob& job) {
    WINDOW* window = curses->aux_window;
    werase(window);
    draw_box(window);
    const TopBarRow row = lay_out_top_bar(
        getmaxx(window), channel_bar_text(job.channels, job.active_channel, job.muted_channels),
        status_text(job.status, ellipsis), job.clock_text, ellipsis);
    if (!row.clock.empty()) {
        mvwaddstr(window, 1, row.clock_column, row.clock.c_str());
    }
    if (!row.status.empty()) {
        mvwaddwstr(window, 1, row.status_column, row.status.c_str());
    }
    mvwaddwstr(window, 1, 1, row.channels.c_str());
    wnoutrefresh(window);
}

// Paint thread, screen lock held. Puts the terminal cursor back into the input line and
// writes everything staged to the terminal at once.
void PDCursesGUI::focus_in_main() {
    WINDOW* window = curses->input_window;
    wmove(window, 1 + painted_cursor_row, painted_cursor_column);
    wnoutrefresh(window);
    doupdate();
}

}  // namespace qvchat2gui
