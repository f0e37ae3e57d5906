// The reader front-end's writer thread: the only one that writes to the terminal. Chat lines go
// above the input line, which is cleared first and written again after them.
#include <unistd.h>

#include <deque>
#include <optional>
#include <string>
#include <utility>

#include "gui/reader/reader_gui.h"

namespace qvchat2gui {

namespace {

std::string left_out_notice(std::size_t lines) {
    return std::to_string(lines) + (lines == 1 ? " line was" : " lines were") +
           " left out here while the terminal took no output.";
}

}  // namespace

void ReaderGUI::write_loop() {
    for (;;) {
        Pending taken;
        std::deque<std::string> lines;
        bool leaving = false;
        {
            std::unique_lock<std::mutex> lock(output_mutex);
            output_changed.wait(lock, [this] {
                return closing || pending.start || !pending.lines.empty() || pending.input ||
                       pending.stop;
            });
            taken = std::exchange(pending, Pending{});
            std::size_t left_out = 0;
            lines = taken.lines.take(left_out);
            if (left_out != 0) {
                lines.push_front(
                    reader_line(server_line(left_out_notice(left_out)), Attention::none, terminal));
            }
            leaving = closing;
        }
        if (leaving) {
            // What came last is still written; the input line goes, so the shell's prompt
            // starts on a clean row.
            write_pending(lines, std::nullopt);
            if (!dumb) {
                write_to_terminal(std::string(CLEAR_INPUT_LINE) + GIVE_TERMINAL_BACK_TEXT);
            }
            return;
        }
        if (taken.start) {
            write_to_terminal(TAKE_TERMINAL_TEXT);
        }
        write_pending(lines, taken.input);
        if (taken.stop) {
            stop_and_go_on();
        }
    }
}

void ReaderGUI::write_pending(const std::deque<std::string>& lines,
                              const std::optional<std::string>& input) {
    std::string out;
    if (dumb) {
        for (const std::string& line : lines) {
            out += line + "\n";
        }
        if (!lines.empty()) {
            out += READER_PROMPT;
        }
        write_to_terminal(out);
        return;
    }
    if (!lines.empty()) {
        out += CLEAR_INPUT_LINE;
        for (const std::string& line : lines) {
            out += line + "\r\n";
        }
        // The input line is written again whole after the lines, changed or not.
        out += input ? *input : last_input_line;
    } else if (input) {
        out += *input;
    }
    if (input) {
        last_input_line = *input;
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
