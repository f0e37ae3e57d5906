// The paint thread's loop and its end: it paints what changed until asked to close, then closes
// curses itself, as it is the only thread that writes to the terminal.
#include <algorithm>
#include <optional>
#include <utility>

#include "gui/curses_api.h"
#include "gui/pdcurses_gui.h"

namespace qvchat2gui {

namespace {

// Shortest time between two repaints of the chat window (at most 50 a second).
constexpr int MIN_REPAINT_INTERVAL_MS = 20;
// How long closing may wait for a terminal that does not take output before it is cut off.
constexpr boost::chrono::milliseconds RESTORE_WAIT{500};
// How often the cut is made again while a write has not noticed it yet.
constexpr boost::chrono::milliseconds CUT_REPEAT{20};

}  // namespace

// Main thread. Never waits long for the terminal: see the class comment.
PDCursesGUI::~PDCursesGUI() {
    ask_paint_thread_to_close();
    const bool hung_up = terminal_hung_up();
    try {
        if (paint_thread.joinable() && (hung_up || !paint_thread.try_join_for(RESTORE_WAIT))) {
            do {
                output.cut_off(paint_thread.native_handle());
            } while (!paint_thread.try_join_for(CUT_REPEAT));
        }
    } catch (const boost::thread_exception&) {
        // Nothing more can be done for a thread that cannot be joined.
    }
    if (output.is_cut_off()) {
        output.restore_after_cut(leave_sequence);
    }
}

void PDCursesGUI::ask_paint_thread_to_close() {
    closing.store(true);
    // Under each lock once, so that no waiter misses the flag between its look and its wait.
    { const boost::lock_guard<boost::mutex> lock(setup_mutex); }
    setup_cond.notify_all();
    { const boost::lock_guard<boost::mutex> lock(redraw_mutex); }
    redraw_cond.notify_all();
    output.wake();
}

void PDCursesGUI::paint_loop() {
    try {
        if (wait_for_setup_or_close()) {
            paint_until_closing();
        }
    } catch (...) {
        // A failed paint leaves the screen as it is; curses is still closed below.
    }
    wait_for_close_request();
    const std::lock_guard<std::mutex> lock(screen_mutex);
    end_curses();
}

// Paint thread. True once the windows exist, false when closing comes first.
bool PDCursesGUI::wait_for_setup_or_close() {
    boost::unique_lock<boost::mutex> lock(setup_mutex);
    setup_cond.wait(lock, [this] { return setup_complete || closing.load(); });
    return !closing.load();
}

void PDCursesGUI::wait_for_close_request() {
    boost::unique_lock<boost::mutex> lock(redraw_mutex);
    redraw_cond.wait(lock, [this] { return closing.load(); });
}

void PDCursesGUI::paint_until_closing() {
    auto next_chat_paint = boost::chrono::steady_clock::now();
    for (;;) {
        PaintJob job;
        {
            boost::unique_lock<boost::mutex> lock(redraw_mutex);
            for (;;) {
                if (closing.load()) {
                    return;
                }
                const PaintRequest& due = redraw_pending;
                const bool chat_due =
                    due.chat && boost::chrono::steady_clock::now() >= next_chat_paint;
                const std::optional<boost::chrono::steady_clock::time_point> summary_due =
                    notification_summary_due();
                const bool notification_due =
                    due.notify ||
                    (summary_due && boost::chrono::steady_clock::now() >= *summary_due);
                if (due.stop || due.layout || due.top_bar || due.input_line || due.mouse ||
                    chat_due || notification_due) {
                    job = take_paint_job(chat_due);
                    break;
                }
                std::optional<boost::chrono::steady_clock::time_point> wake = summary_due;
                if (due.chat) {
                    wake = std::min(wake.value_or(next_chat_paint), next_chat_paint);
                }
                if (wake) {
                    redraw_cond.wait_until(lock, *wake);
                } else {
                    redraw_cond.wait(lock);
                }
            }
        }
        paint(job);
        screen_released.released();
        if (output.is_cut_off()) {
            // The terminal stopped reading and the input thread needed the screen. Nothing is
            // painted until the terminal reads again; then everything is, as what it got of
            // the cut output is unknown.
            if (!output.wait_to_reconnect()) {
                return;
            }
            repaint_in_full = true;
            queue_paint(&PaintRequest::layout);
        }
        if (job.parts.chat) {
            // Lines that come in the meantime are painted together by the next repaint: a
            // flood costs a few dozen repaints a second, not one per line. Keys and the top
            // bar are painted at once all the same.
            next_chat_paint = boost::chrono::steady_clock::now() +
                              boost::chrono::milliseconds(MIN_REPAINT_INTERVAL_MS);
        }
    }
}

// Paint thread, redraw_mutex held: copies what changed, so that the terminal is written to
// with no lock held that the message threads need.
PDCursesGUI::PaintJob PDCursesGUI::take_paint_job(bool chat_due) {
    PaintJob job;
    PaintRequest& due = redraw_pending;
    const bool everything = due.stop || due.layout;
    job.parts = {due.stop,
                 due.layout,
                 everything || chat_due,
                 everything || due.top_bar,
                 everything || due.input_line,
                 chat_due && due.bell};
    job.parts.mouse = due.mouse;
    job.mouse = settings.mouse;
    if (job.parts.chat) {
        take_chat_rows(job);
        job.views_note = chat_views.border_parts();
        job.pane_lines.assign(pane_lines.begin(), pane_lines.end());
    }
    job.clipboard = std::exchange(clipboard_text, std::string());
    take_notifications(job);
    if (job.parts.top_bar) {
        job.clock_text = clock_text;
        job.channels = get_channel_list();
        job.active_channel = get_active_channel();
        job.muted_channels = get_muted_channels();
        job.status = status;
    }
    // The search's count follows the lines that come, so its prompt is painted with the chat.
    if (chat_search.active() && job.parts.chat) {
        job.parts.input_line = true;
    }
    if (job.parts.input_line) {
        // The input box is as wide as the terminal less its two sides.
        const std::size_t box_width = static_cast<std::size_t>(std::max(chat_columns - 2, 1));
        if (chat_search.active()) {
            job.input = InputView{};
            job.input.rows = {chat_search.prompt(box_width)};
            job.input.cursor_column = chat_search.cursor_column(box_width);
        } else {
            job.input = input_view;
        }
    }
    // A chat repaint that is not due yet stays asked for, with its bell.
    const bool chat_waits = due.chat && !job.parts.chat;
    const bool bell_waits = due.bell && !job.parts.bell;
    due = PaintRequest{};  // notify included: taken above
    due.chat = chat_waits;
    due.bell = bell_waits;
    return job;
}

}  // namespace qvchat2gui
