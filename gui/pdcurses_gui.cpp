#include "gui/pdcurses_gui.h"

#include <termios.h>

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "gui/curses_api.h"
#include "gui/game_cell.h"
#include "gui/terminal_modes.h"
#include "gui/text_wrap.h"
#include "gui/top_bar.h"
#include "gui/ui_exception.h"
#include "gui/window_layout.h"

namespace qvchat2gui {

namespace {

constexpr int MIN_COLOR_PAIRS = 6;
constexpr short DEFAULT_PAIR = 1;
constexpr short GREY_PAIR = 4;
// A lone Escape key would hold the screen lock for curses' default second.
constexpr int ESCAPE_DELAY_MS = 25;
constexpr short GREY_LEVEL = 750;
constexpr char SCROLLED_BACK_NOTE[] = " more below: Page Down ";
// Shortest time between two repaints of the chat window (at most 50 a second).
constexpr int MIN_REPAINT_INTERVAL_MS = 20;

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

}  // namespace

PDCursesGUI::PDCursesGUI() : curses(std::make_unique<CursesScreen>()), chat_lines(0, 0) {
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
        if (has_colors() == FALSE) {
            throw UIFaultException("Terminal requires color support.");
        }
        start_color();
        if (COLOR_PAIRS <= MIN_COLOR_PAIRS) {
            throw UIFaultException("Needs at least " + std::to_string(MIN_COLOR_PAIRS) +
                                   " color pairs; we have " + std::to_string(COLOR_PAIRS));
        }
        start_colors();
        set_bracketed_paste(true);
        const WindowLayout layout(LINES, COLS);
        chat_lines.resize(layout.columns, layout.chat_rows());
        paint_thread = boost::thread(&PDCursesGUI::paint_loop, this);
    } catch (...) {
        // The message must be readable and the terminal usable after the failure.
        end_curses();
        throw;
    }
}

PDCursesGUI::~PDCursesGUI() {
    try {
        paint_thread.interrupt();
        if (paint_thread.joinable()) {
            paint_thread.join();
        }
    } catch (const boost::thread_exception&) {
        // Nothing more can be done for a thread that cannot be joined.
    }
    const std::lock_guard<std::mutex> lock(screen_mutex);
    end_curses();
}

void PDCursesGUI::start_colors() {
    init_pair(1, COLOR_WHITE, COLOR_BLACK);
    color_pairs[DEFAULT_COLOR] = 1;
    color_pairs[0x81] = 1;
    init_pair(2, COLOR_YELLOW, COLOR_BLACK);
    for (const std::uint8_t byte : {2, 9, 16, 23}) {
        color_pairs[byte] = 2;
    }
    init_pair(3, COLOR_BLUE, COLOR_BLACK);
    color_pairs[GM_COLOR] = 3;
    if (COLORS >= COLOR_GREY && init_color(COLOR_GREY, GREY_LEVEL, GREY_LEVEL, GREY_LEVEL) == OK &&
        init_pair(GREY_PAIR, COLOR_GREY, COLOR_BLACK) == OK) {
        color_pairs[OFF_CHANNEL_COLOR] = GREY_PAIR;
    } else {
        color_pairs[OFF_CHANNEL_COLOR] = DEFAULT_PAIR;
    }
    init_pair(5, COLOR_MAGENTA, COLOR_BLACK);
    color_pairs[PM_COLOR] = 5;
    init_pair(6, COLOR_GREEN, COLOR_BLACK);
    color_pairs[SERVER_COLOR] = 6;
}

void PDCursesGUI::end_curses() {
    for (WINDOW** window : {&curses->input_window, &curses->aux_window, &curses->main_window}) {
        if (*window != nullptr) {
            wclear(*window);
            delwin(*window);
            *window = nullptr;
        }
    }
    if (curses->screen != nullptr) {
        set_bracketed_paste(false);
        endwin();
        delscreen(curses->screen);
        curses->screen = nullptr;
    }
}

void PDCursesGUI::add_chat_line(const std::string& line) {
    bool already_pending = false;
    {
        const boost::lock_guard<boost::mutex> lock(redraw_mutex);
        chat_lines.add(line);
        already_pending = std::exchange(redraw_pending.chat, true);
    }
    // A repaint already asked for comes in its time: waking the paint thread for every line of
    // a flood would cost more than the lines themselves.
    if (!already_pending) {
        redraw_cond.notify_one();
    }
}

void PDCursesGUI::set_client(qvnetworklib::Client* new_client) {
    client.store(new_client);
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
    queue_paint(&PaintRequest::top_bar);
}

void PDCursesGUI::set_up_windows() {
    int columns = 0;
    int rows = 0;
    {
        const std::lock_guard<std::mutex> lock(screen_mutex);
        lay_out_windows();
        columns = COLS;
        rows = main_height - 2;
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

// Input thread, screen lock held. Makes the three windows for the current terminal size,
// replacing any earlier ones; the paint thread fills them. Nothing is written to the terminal
// here.
void PDCursesGUI::lay_out_windows() {
    const WindowLayout layout(LINES, COLS);
    for (WINDOW** window : {&curses->input_window, &curses->aux_window, &curses->main_window}) {
        if (*window != nullptr) {
            delwin(*window);
        }
    }
    main_height = layout.main_height;
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
    editor.fit_to_width(input_inner_width);
}

void PDCursesGUI::handle_resize() {
    int columns = 0;
    int rows = 0;
    {
        const std::lock_guard<std::mutex> lock(screen_mutex);
        // Whatever the terminal did to the old picture is painted over in full.
        clearok(curscr, TRUE);
        lay_out_windows();
        columns = COLS;
        rows = main_height - 2;
    }
    resize_scroll_back(columns, rows);
    show_input_line();
    queue_paint(&PaintRequest::layout);
}

void PDCursesGUI::resize_scroll_back(int columns, int rows) {
    const boost::lock_guard<boost::mutex> lock(redraw_mutex);
    chat_lines.resize(columns, rows);
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

void PDCursesGUI::paint_loop() {
    try {
        wait_for_setup_complete();
        auto next_chat_paint = boost::chrono::steady_clock::now();
        for (;;) {
            PaintJob job;
            {
                boost::unique_lock<boost::mutex> lock(redraw_mutex);
                for (;;) {
                    const PaintRequest& due = redraw_pending;
                    const bool chat_due =
                        due.chat && boost::chrono::steady_clock::now() >= next_chat_paint;
                    if (due.stop || due.layout || due.top_bar || due.input_line || chat_due) {
                        job = take_paint_job(chat_due);
                        break;
                    }
                    if (due.chat) {
                        redraw_cond.wait_until(lock, next_chat_paint);
                    } else {
                        redraw_cond.wait(lock);
                    }
                }
            }
            paint(job);
            if (job.parts.chat) {
                // Lines that come in the meantime are painted together by the next repaint: a
                // flood costs a few dozen repaints a second, not one per line. Keys and the top
                // bar are painted at once all the same.
                next_chat_paint = boost::chrono::steady_clock::now() +
                                  boost::chrono::milliseconds(MIN_REPAINT_INTERVAL_MS);
            }
        }
    } catch (...) {
        // Stopped by the destructor, or failed: either way the thread ends quietly, and the
        // destructor still restores the terminal.
    }
}

// Paint thread, redraw_mutex held: copies what changed, so that the terminal is written to
// with no lock held that the message threads need.
PDCursesGUI::PaintJob PDCursesGUI::take_paint_job(bool chat_due) {
    PaintJob job;
    PaintRequest& due = redraw_pending;
    const bool everything = due.stop || due.layout;
    job.parts = {due.stop, due.layout, everything || chat_due, everything || due.top_bar,
                 everything || due.input_line};
    if (job.parts.chat) {
        job.chat_lines = chat_lines.visible_lines();
        job.scrolled_back = chat_lines.is_scrolled_back();
    }
    if (job.parts.top_bar) {
        job.clock_text = clock_text;
        job.channels = get_channel_list();
    }
    if (job.parts.input_line) {
        job.input = input_view;
    }
    // A chat repaint that is not due yet stays asked for.
    const bool chat_waits = due.chat && !job.parts.chat;
    due = PaintRequest{};
    due.chat = chat_waits;
    return job;
}

// Paint thread: the only place that writes to the terminal once the windows exist.
void PDCursesGUI::paint(const PaintJob& job) {
    const std::lock_guard<std::mutex> lock(screen_mutex);
    if (curses->main_window == nullptr) {
        return;
    }
    if (job.parts.stop) {
        stop_like_ctrl_z();
    }
    if (job.parts.chat) {
        redraw_window(job.chat_lines, job.scrolled_back);
    }
    if (job.parts.top_bar) {
        redraw_aux_window(job.clock_text, job.channels);
    }
    if (job.parts.input_line) {
        redraw_input_window(job.input);
    }
    focus_in_main();
}

// Paint thread, screen lock held.
void PDCursesGUI::redraw_window(const std::vector<std::string>& shown, bool scrolled_back) {
    WINDOW* window = curses->main_window;
    werase(window);
    wattrset(window, static_cast<int>(COLOR_PAIR(DEFAULT_PAIR)));
    draw_box(window);
    const int inner_width = getmaxx(window) - 2;
    const int rows = std::max(main_height - 2, 0);
    if (scrolled_back && inner_width > static_cast<int>(sizeof SCROLLED_BACK_NOTE)) {
        mvwaddstr(window, main_height - 1, 2, SCROLLED_BACK_NOTE);
    }
    // The newest lines go to the lowest rows when there are more than fit.
    const std::size_t first =
        shown.size() > static_cast<std::size_t>(rows) ? shown.size() - rows : 0;
    int row = 1;
    for (std::size_t index = first; index < shown.size(); ++index) {
        paint_chat_line(row++, shown[index], inner_width);
    }
    wnoutrefresh(window);
}

// Screen lock held. Colour bytes switch the colour; other control bytes are not painted and
// take no column, like everything beyond the window's width. Every other byte takes one column
// and goes through the wide-character call, so that a Latin-1 letter reaches the terminal in the
// terminal's own encoding.
void PDCursesGUI::paint_chat_line(int row, const std::string& line, int inner_width) {
    WINDOW* window = curses->main_window;
    short pair = DEFAULT_PAIR;
    int column = 1;
    for (const char byte : line) {
        const auto colour = color_pairs.find(static_cast<std::uint8_t>(byte));
        if (colour != color_pairs.end()) {
            pair = colour->second;
        } else if (!is_control_character(byte) && column <= inner_width) {
            const cchar_t cell = game_cell(static_cast<unsigned char>(byte), pair);
            mvwadd_wch(window, row, column++, &cell);
        }
    }
}

// Paint thread, screen lock held.
void PDCursesGUI::redraw_aux_window(const std::string& clock,
                                    const std::vector<unsigned int>& channels) {
    WINDOW* window = curses->aux_window;
    werase(window);
    draw_box(window);
    const int width = getmaxx(window);
    const int clock_column = width - static_cast<int>(clock.size()) - 1;
    if (clock_column >= 1) {
        mvwaddstr(window, 1, clock_column, clock.c_str());
    }
    const std::string bar = channel_bar_text(channels);
    mvwaddnstr(window, 1, 1, bar.c_str(), std::max(width - 2, 0));
    wnoutrefresh(window);
}

// Paint thread, screen lock held. Puts the terminal cursor back into the input line and
// writes everything staged to the terminal at once.
void PDCursesGUI::focus_in_main() {
    WINDOW* window = curses->input_window;
    wmove(window, 1, painted_cursor_column);
    wnoutrefresh(window);
    doupdate();
}

}  // namespace qvchat2gui
