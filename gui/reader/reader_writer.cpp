// The reader front-end's writer thread: the only one that writes to the terminal. Chat lines go
// above the input line, which is cleared first and written again after them.
#include <unistd.h>

#include <utility>

#include "gui/reader/reader_gui.h"

namespace qvchat2gui {

void ReaderGUI::write_loop() {
    for (;;) {
        Pending taken;
        bool leaving = false;
        {
            std::unique_lock<std::mutex> lock(output_mutex);
            output_changed.wait(lock, [this] {
                return closing || pending.start || !pending.lines.empty() || pending.input ||
                       pending.stop;
            });
            taken = std::exchange(pending, Pending{});
            leaving = closing;
        }
        if (leaving) {
            // What came last is still written; the input line goes, so the shell's prompt
            // starts on a clean row.
            taken.input.reset();
            write_pending(taken);
            if (!dumb) {
                write_to_terminal(std::string(CLEAR_INPUT_LINE) + GIVE_TERMINAL_BACK_TEXT);
            }
            return;
        }
        if (taken.start) {
            write_to_terminal(TAKE_TERMINAL_TEXT);
        }
        write_pending(taken);
        if (taken.stop) {
            stop_and_go_on();
        }
    }
}

void ReaderGUI::write_pending(const Pending& taken) {
    std::string out;
    if (dumb) {
        for (const std::string& line : taken.lines) {
            out += line + "\n";
        }
        if (!taken.lines.empty()) {
            out += READER_PROMPT;
        }
        write_to_terminal(out);
        return;
    }
    if (!taken.lines.empty()) {
        out += CLEAR_INPUT_LINE;
        for (const std::string& line : taken.lines) {
            out += line + "\r\n";
        }
        // The input line is written again whole after the lines, changed or not.
        out += taken.input ? *taken.input : last_input_line;
    } else if (taken.input) {
        out += *taken.input;
    }
    if (taken.input) {
        last_input_line = *taken.input;
    }
    write_to_terminal(out);
}

void ReaderGUI::stop_and_go_on() {
    if (!dumb) {
        write_to_terminal(std::string(CLEAR_INPUT_LINE) + GIVE_TERMINAL_BACK_TEXT);
        give_terminal_back();
    }
    stop_process_like_ctrl_z();
    if (!dumb) {
        take_terminal();
        write_to_terminal(TAKE_TERMINAL_TEXT + last_input_line);
    }
}

// Keys one at a time and unechoed, the erase and interrupt keys still the terminal's; Ctrl-C and
// Ctrl-Z keep their signals.
void ReaderGUI::take_terminal() {
    termios modes{};
    if (tcgetattr(STDIN_FILENO, &modes) != 0) {
        return;
    }
    if (!shell_modes) {
        shell_modes = modes;
    }
    modes.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | IEXTEN);
    modes.c_iflag &= ~static_cast<tcflag_t>(IXON | ICRNL | INLCR);
    modes.c_cc[VMIN] = 1;
    modes.c_cc[VTIME] = 0;
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &modes);
}

void ReaderGUI::give_terminal_back() {
    if (shell_modes) {
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &*shell_modes);
    }
}

}  // namespace qvchat2gui
