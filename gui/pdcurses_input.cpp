// The input side of PDCursesGUI: the key loop, the input line and the login prompt.
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <array>

#include "gui/curses_api.h"
#include "gui/line_editor.h"
#include "gui/pdcurses_gui.h"

namespace qvchat2gui {

namespace {

// Longest user name and password the prompt reads.
constexpr int SIZE = 128;
// How long the key loop waits before it looks again at the exit flag and for a resize (the
// resize signal may reach another thread and not wake poll).
constexpr int KEY_WAIT_MS = 100;
// Shown for a control byte in the input line: one column per byte, no escape sequence.
constexpr chtype CONTROL_BYTE_MARK = '?';

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
        const int key = read_key();
        idle = key == ERR;
        if (!idle) {
            handle_key(key);
        }
    }
}

// Waits outside every lock until the terminal has input or a short while has passed. False
// when the terminal is gone (hung up, or at the end of its input).
bool PDCursesGUI::wait_for_input() {
    pollfd terminal{fileno(stdin), POLLIN, 0};
    const int ready = poll(&terminal, 1, KEY_WAIT_MS);
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
            // Commands may show text, which takes redraw_mutex: no lock is held here.
            process_input(client.load(), editor.submitted_line());
            break;
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
    const std::lock_guard<std::mutex> lock(screen_mutex);
    redraw_input_window();
}

// Input thread, screen lock held.
void PDCursesGUI::redraw_input_window() {
    WINDOW* window = curses->input_window;
    werase(window);
    box(window, 0, 0);
    wmove(window, 1, 1);
    for (const char byte : editor.visible_text(input_inner_width)) {
        waddch(window, is_control_character(byte)
                           ? CONTROL_BYTE_MARK
                           : static_cast<chtype>(static_cast<unsigned char>(byte)));
    }
    wmove(window, 1, editor.cursor_column());
    wrefresh(window);
}

void PDCursesGUI::prompt_login(std::string& username, std::string& password) const {
    // Runs before anything else draws; holding the screen lock while waiting for keys keeps
    // curses to this thread all the same.
    const std::lock_guard<std::mutex> lock(screen_mutex);
    WINDOW* window = newwin(LINES, COLS, 0, 0);

    echo();
    waddstr(window, "Username: ");
    std::array<char, SIZE + 1> name{};
    if (wgetnstr(window, name.data(), SIZE) == ERR) {
        name.fill('\0');
    }
    noecho();

    waddstr(window, "Password: ");
    std::string secret;
    while (secret.size() < static_cast<std::size_t>(SIZE)) {
        const int key = wgetch(window);
        if (key == ERR) {
            break;  // no more input
        }
        if (key > LAST_BYTE_KEY) {
            continue;  // a resize or another special key is not part of a password
        }
        const auto byte = static_cast<char>(key);
        if (byte == '\n' || byte == '\r') {
            break;
        }
        if (key == BACKSPACE_KEY || key == DELETE_KEY) {
            if (!secret.empty()) {
                secret.pop_back();
                wmove(window, getcury(window), getcurx(window) - 1);
                wdelch(window);
            }
            continue;
        }
        secret += byte;
        waddch(window, '*');
    }
    delwin(window);
    username = name.data();
    password = secret;
}

}  // namespace qvchat2gui
