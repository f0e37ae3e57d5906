#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace qvtest {

// One program running in a detached tmux session on a server of its own (its own socket), so
// that tests see a real terminal: keys go in with send-keys, the screen comes back with
// capture-pane. The server is killed when the session object goes away.
class TmuxSession {
public:
    // Starts `command` (run by the shell) in a terminal of the given size.
    TmuxSession(const std::string& command, int columns, int rows);
    ~TmuxSession();

    TmuxSession(const TmuxSession&) = delete;
    TmuxSession& operator=(const TmuxSession&) = delete;

    // Types the text literally.
    void type(const std::string& text) const;
    // Presses keys by tmux name ("Enter", "BSpace", "Left", "PPage", ...).
    void press(const std::string& key, int times = 1) const;
    // Pastes the text in one piece, as a terminal paste does (line feeds arrive as Enter);
    // `bracketed`: marked as a paste when the program asked for bracketed paste.
    void paste(const std::string& text, bool bracketed = false) const;
    void resize(int columns, int rows) const;
    // Appends every byte the program writes to the terminal from now on to the file at `path`,
    // for what capture-pane cannot show (the bell, palette changes).
    void record_output(const std::string& path) const;

    // The screen, one string per row; with colours, SGR escape sequences are kept.
    std::vector<std::string> screen(bool with_colours = false) const;
    // Column and row of the terminal cursor.
    std::pair<int, int> cursor() const;
    // The pane's title, which a program can change with an escape sequence.
    std::string pane_title() const;
    // The pane's terminal device, for reading its modes with stty.
    std::string pane_tty() const;
    // The tmux server's process: stopped, it reads no more output from the program, as a
    // stalled link does.
    pid_t server_process() const;

    // Polls the screen until the condition holds or the deadline passes.
    bool wait_for_screen(const std::function<bool(const std::vector<std::string>&)>& condition,
                         std::chrono::milliseconds deadline = std::chrono::seconds(10),
                         bool with_colours = false) const;
    bool wait_for_text(const std::string& text,
                       std::chrono::milliseconds deadline = std::chrono::seconds(10)) const;

private:
    std::string tmux(const std::vector<std::string>& arguments) const;

    std::string socket_name;
};

// Runs a program with the arguments (no shell); returns what it wrote to standard output.
std::string run_program(const std::vector<std::string>& arguments);

// The rows joined with newlines, for failure messages.
std::string joined(const std::vector<std::string>& rows);

}  // namespace qvtest
