// The input side of PDCursesGUI: the key loop, the input line and the login prompt.
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <array>
#include <ctime>
#include <functional>

#include "gui/curses_api.h"
#include "gui/line_editor.h"
#include "gui/pdcurses_gui.h"

namespace qvchat2gui {

namespace {

// Longest user name and password the prompt reads.
constexpr int SIZE = 128;
// How long the key loop waits before it looks again at the exit flag, only when the system
// gave no exit event to wait on.
constexpr long FALLBACK_KEY_WAIT_NS = 100L * 1000 * 1000;
// Shown for a control byte in the input line: one column per byte, no escape sequence.
constexpr chtype CONTROL_BYTE_MARK = '?';

// Login prompt: waits for one key without holding up a request to leave (Ctrl-C at the prompt
// must end the program as it does later). ERR when the user asked to leave or the terminal
// (watched by `wait_for_input`) is gone.
int read_prompt_key(WINDOW* window, const ChatGUI& front_end,
                    const std::function<bool()>& wait_for_input) {
    while (!front_end.should_exit()) {
        if (!wait_for_input()) {
            return ERR;
        }
        // Nothing else paints while the prompt is up: it stops for Ctrl-Z itself.
        if (take_stop_request()) {
            stop_like_ctrl_z();
            wrefresh(window);
        }
        const int key = wgetch(window);
        if (key != ERR) {
            return key;
        }
    }
    return ERR;
}

// A password may hold any byte but the line ends and the erase keys; a name only what can be
// shown. Bytes above 127 stay in both: they are parts of text typed in UTF-8. Special keys
// (arrows, function keys) are no bytes at all.
bool is_field_byte(int key, bool masked) {
    if (key < 0 || key > LAST_BYTE_KEY || key == DELETE_KEY) {
        return false;
    }
    return masked || key >= ' ';
}

bool has_pending_bytes(int descriptor) {
    int pending = 0;
    return ioctl(descriptor, FIONREAD, &pending) == 0 && pending > 0;
}

}  // namespace

void PDCursesGUI::take_control() {
    set_up_windows();
    wait_for_setup_complete();
    bool idle = false;
    while (!should_exit()) {
        if (idle && !wait_for_input()) {
            exit_client();
            break;
        }
        if (take_stop_request()) {
            queue_paint(&PaintRequest::stop);
        }
        const int key = read_key();
        idle = key == ERR;
        if (!idle) {
            handle_key(key);
        }
    }
}

// Sleeps outside every lock until the terminal has input, the exit flag is set or the terminal
// changed its size. False when the terminal is gone (hung up, or at the end of its input).
//
// With hold_terminal_signals_for_key_loop() the resize and stop signals are blocked in every
// thread and let in only here, for the time of the wait, so that they wake this wait and cannot
// slip in between the last look at the keys and the wait.
bool PDCursesGUI::wait_for_input() const {
    std::array<pollfd, 2> watched{
        {{fileno(stdin), POLLIN, 0}, {exit_event_descriptor(), POLLIN, 0}}};
    const sigset_t signals_let_in = mask_letting_in_terminal_signals();
    const timespec fallback{0, FALLBACK_KEY_WAIT_NS};
    const int ready = ppoll(watched.data(), watched.size(),
                            exit_event_descriptor() < 0 ? &fallback : nullptr, &signals_let_in);
    const pollfd& terminal = watched[0];
    if (ready <= 0) {
        return true;
    }
    if ((terminal.revents & POLLIN) != 0) {
        return has_pending_bytes(terminal.fd);
    }
    return (terminal.revents & (POLLHUP | POLLERR | POLLNVAL)) == 0;
}

// Never blocks: the input window is in no-delay mode. Also delivers KEY_RESIZE after the
// terminal changed its size.
int PDCursesGUI::read_key() {
    const std::lock_guard<std::mutex> lock(screen_mutex);
    return wgetch(curses->input_window);
}

void PDCursesGUI::handle_key(int key) {
    switch (editor.handle_key(key, input_inner_width)) {
        case LineEditor::Outcome::submitted: {
            {
                const boost::lock_guard<boost::mutex> lock(redraw_mutex);
                chat_lines.follow_newest();
            }
            queue_main_redraw();
            show_input_line();
            // Commands may show text, which takes redraw_mutex: no lock is held here.
            process_input(client.load(), editor.submitted_line());
            return;
        }
        case LineEditor::Outcome::page_up: {
            {
                const boost::lock_guard<boost::mutex> lock(redraw_mutex);
                chat_lines.page_up();
            }
            queue_main_redraw();
            break;
        }
        case LineEditor::Outcome::page_down: {
            {
                const boost::lock_guard<boost::mutex> lock(redraw_mutex);
                chat_lines.page_down();
            }
            queue_main_redraw();
            break;
        }
        case LineEditor::Outcome::resized:
            handle_resize();
            return;
        case LineEditor::Outcome::edited:
            break;
    }
    show_input_line();
}

// Input thread: hands the line as it is to be shown to the paint thread.
void PDCursesGUI::show_input_line() {
    InputView view{editor.visible_text(input_inner_width), editor.cursor_column()};
    {
        const boost::lock_guard<boost::mutex> lock(redraw_mutex);
        input_view = std::move(view);
        redraw_pending.input_line = true;
    }
    redraw_cond.notify_one();
}

// Paint thread, screen lock held.
void PDCursesGUI::redraw_input_window(const InputView& input) {
    WINDOW* window = curses->input_window;
    werase(window);
    box(window, 0, 0);
    wmove(window, 1, 1);
    for (const char byte : input.text) {
        waddch(window, is_control_character(byte)
                           ? CONTROL_BYTE_MARK
                           : static_cast<chtype>(static_cast<unsigned char>(byte)));
    }
    painted_cursor_column = input.cursor_column;
    wnoutrefresh(window);
}

void PDCursesGUI::prompt_login(std::string& username, std::string& password) const {
    // Runs before anything else draws; holding the screen lock while waiting for keys keeps
    // curses to this thread all the same.
    const std::lock_guard<std::mutex> lock(screen_mutex);
    WINDOW* window = newwin(LINES, COLS, 0, 0);
    keypad(window, TRUE);
    nodelay(window, TRUE);

    // Both fields are read key by key, the name echoed and the password masked, so that the
    // prompt can give up as soon as the user asks to leave. Keys past the longest field are
    // read and dropped up to the Enter, so that none of them is left for the input line.
    const auto read_field = [&](const char* label, bool masked) {
        waddstr(window, label);
        wrefresh(window);
        std::string field;
        for (;;) {
            const int key = read_prompt_key(window, *this, [this] { return wait_for_input(); });
            if (key == ERR || key == '\n' || key == '\r' || key == KEY_ENTER) {
                break;
            }
            if (key == BACKSPACE_KEY || key == DELETE_KEY || key == KEY_BACKSPACE) {
                if (!field.empty()) {
                    field.pop_back();
                    wmove(window, getcury(window), getcurx(window) - 1);
                    wdelch(window);
                }
            } else if (field.size() < static_cast<std::size_t>(SIZE) &&
                       is_field_byte(key, masked)) {
                field += static_cast<char>(key);
                waddch(window, masked ? '*' : static_cast<chtype>(key));
            }
            wrefresh(window);
        }
        waddch(window, '\n');
        return field;
    };
    username = read_field("Username: ", false);
    password = should_exit() ? std::string() : read_field("Password: ", true);
    delwin(window);
}

}  // namespace qvchat2gui
