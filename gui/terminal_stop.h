#pragma once

#include <signal.h>

namespace qvchat2gui {

// Blocks the terminal's resize and stop (Ctrl-Z) signals in the calling thread and so in every
// thread it starts later. The key loop lets them in only while it waits for keys, so that they
// always wake it; call this before any thread starts.
void hold_terminal_signals_for_key_loop();

// The calling thread's signal mask with the terminal's signals let in, for the key loop's wait.
sigset_t mask_letting_in_terminal_signals();

// While it lives, Ctrl-Z only leaves a request (take_stop_request) instead of stopping the
// program at once: the thread that writes the screen leaves its modes first, so that the shell
// gets its terminal back in its own modes, and paints everything again when the program goes on.
// A program started with Ctrl-Z ignored keeps ignoring it.
class TerminalStopCatcher {
public:
    TerminalStopCatcher();
    ~TerminalStopCatcher();

    TerminalStopCatcher(const TerminalStopCatcher&) = delete;
    TerminalStopCatcher& operator=(const TerminalStopCatcher&) = delete;

private:
    struct sigaction previous {};
    bool installed = false;
};

// True once for each Ctrl-Z caught since the last call.
bool take_stop_request();

// Stops the program as Ctrl-Z would; returns once it goes on (fg). The caller gave the terminal
// back in the shell's modes first, and takes it again afterwards.
void stop_process_like_ctrl_z();

}  // namespace qvchat2gui
