#pragma once

#include <pthread.h>
#include <signal.h>
#include <termios.h>

#include <atomic>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace qvchat2gui {

// The terminal as the paint thread writes to it, and the way out when the terminal stops
// reading (a stalled link, a stopped terminal program): a write there waits for as long as the
// terminal takes, and curses retries it when interrupted. Cutting the output off points standard
// output nowhere and interrupts the writer: its write then fails at once, and so does every
// later one until the terminal takes output again. Keys and a request to leave never wait for
// the terminal that way.
class TerminalOutput {
public:
    // Keeps the terminal's modes as the shell left them and a second handle on it.
    TerminalOutput();
    ~TerminalOutput();

    TerminalOutput(const TerminalOutput&) = delete;
    TerminalOutput& operator=(const TerminalOutput&) = delete;

    // Any thread: standard output goes nowhere, and `writer` leaves the write it waits in.
    void cut_off(pthread_t writer);
    bool is_cut_off() const { return cut.load(); }
    // Writing thread, no lock held, after a cut: waits until the terminal takes output again,
    // then standard output is the terminal again and true is returned; false when wake() came
    // first (the output stays cut off).
    bool wait_to_reconnect();
    // Ends a wait_to_reconnect, now or the next time one begins.
    void wake();
    // Written after the CAN that ends a sequence cut short, before anything else: what closes a
    // state the cut-off may have left open (a link). Only before the writer starts.
    void close_after_cut(std::string sequence);

    // After curses was closed with the output cut off: the shell's modes back at once, then
    // `leave_sequence` (what closing curses would have written) if the terminal takes it without
    // waiting; nothing of either when the terminal hung up. Standard output is the terminal again.
    void restore_after_cut(const std::string& leave_sequence);

private:
    void reconnect();

    int terminal = -1;  // the terminal standard output was at the start
    int nowhere = -1;   // where a write fails at once
    int wake_event = -1;
    std::optional<termios> shell_modes;
    std::string after_cut;
    std::mutex switch_mutex;  // guards where standard output points and `cut` changing with it
    std::atomic<bool> cut{false};
    struct sigaction previous_interrupt_action {};
};

// The terminal hung up (SIGHUP, or its input ended): nothing more is written to it, and nothing
// waits to restore it.
void note_terminal_hangup();
bool terminal_hung_up();

// Writes bytes to the terminal (standard output) past any library, whole unless the terminal is
// gone or the output was cut off.
void write_to_terminal(std::string_view bytes);

}  // namespace qvchat2gui
