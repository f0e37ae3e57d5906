// The reader front-end's writer thread: the only one that writes to the terminal. Chat lines go
// above the input line, which is cleared first and written again after them.
#include <unistd.h>

#include <deque>
#include <optional>
#include <string>
#include <utility>

#include "gui/model/links.h"
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
                       pending.clipboard || !pending.typed.empty() || pending.stop;
            });
            taken = std::exchange(pending, Pending{});
            std::size_t left_out = 0;
            lines = taken.lines.take(left_out);
            if (left_out != 0) {
                lines.push_front(reader_line(server_line(left_out_notice(left_out)),
                                             LineOrigin::client, terminal));
            }
            leaving = closing;
        }
        if (leaving) {
            // What came last is still written; the input line goes, so the shell's prompt
            // starts on a clean row.
            taken.input.reset();
            write_pending(lines, taken);
            write_to_terminal(dumb ? dumb_row.close()
                                   : std::string(CLEAR_INPUT_LINE) + GIVE_TERMINAL_BACK_TEXT);
            return;
        }
        if (taken.start) {
            write_to_terminal(TAKE_TERMINAL_TEXT);
        }
        write_pending(lines, taken);
        if (taken.stop) {
            stop_and_go_on();
        }
    }
}

void ReaderGUI::write_pending(const std::deque<std::string>& lines, Pending& taken) {
    std::string out;
    if (dumb) {
        for (const std::optional<std::string>& typed : taken.typed.take()) {
            out += dumb_row.echo(typed);
        }
        write_to_terminal(out + dumb_row.around(lines));
        return;
    }
    if (taken.input) {
        input_wanted = taken.input;
    }
    if (taken.whole_input || !lines.empty()) {
        input_shown.reset();
    }
    if (!lines.empty()) {
        out += CLEAR_INPUT_LINE;
        for (const std::string& line : lines) {
            out += line + "\r\n";
        }
    }
    // After chat lines the input line is written whole; else only what changed in it.
    if (input_wanted && !(input_shown == input_wanted)) {
        out += input_line_change(input_shown, *input_wanted);
        input_shown = input_wanted;
    }
    if (taken.clipboard) {
        out += clipboard_sequence(*taken.clipboard);
    }
    write_to_terminal(out);
}

void ReaderGUI::stop_and_go_on() {
    write_to_terminal(dumb ? dumb_row.close()
                           : std::string(CLEAR_INPUT_LINE) + GIVE_TERMINAL_BACK_TEXT);
    give_terminal_back();
    stop_process_like_ctrl_z();
    take_terminal();
    if (!dumb) {
        input_shown.reset();
        write_to_terminal(TAKE_TERMINAL_TEXT +
                          (input_wanted ? whole_input_line(*input_wanted) : std::string()));
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
