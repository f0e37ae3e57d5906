#include "tests/support/TmuxSession.h"

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace qvtest {

std::string run_program(const std::vector<std::string>& arguments) {
    std::array<int, 2> pipe_ends{};
    if (pipe(pipe_ends.data()) != 0) {
        throw std::runtime_error("pipe failed");
    }
    const pid_t child = fork();
    if (child < 0) {
        throw std::runtime_error("fork failed");
    }
    if (child == 0) {
        dup2(pipe_ends[1], STDOUT_FILENO);
        close(pipe_ends[0]);
        close(pipe_ends[1]);
        std::vector<char*> argv;
        argv.reserve(arguments.size() + 1);
        for (const auto& argument : arguments) {
            argv.push_back(const_cast<char*>(argument.c_str()));
        }
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    close(pipe_ends[1]);
    std::string output;
    std::array<char, 4096> buffer{};
    for (ssize_t count = 0; (count = read(pipe_ends[0], buffer.data(), buffer.size())) > 0;) {
        output.append(buffer.data(), static_cast<std::size_t>(count));
    }
    close(pipe_ends[0]);
    int status = 0;
    waitpid(child, &status, 0);
    return output;
}

namespace {

std::string unique_socket_name() {
    static std::atomic<int> sessions{0};
    return "qvchat-gui-test-" + std::to_string(getpid()) + "-" + std::to_string(++sessions);
}

std::vector<std::string> split_rows(const std::string& text) {
    std::vector<std::string> rows;
    std::istringstream stream(text);
    for (std::string row; std::getline(stream, row);) {
        rows.push_back(row);
    }
    return rows;
}

}  // namespace

TmuxSession::TmuxSession(const std::string& command, int columns, int rows)
    : socket_name(unique_socket_name()) {
    // -f /dev/null: no user configuration; the program runs in a UTF-8 locale so that boxes
    // can be drawn with line characters.
    tmux({"-f", "/dev/null", "new-session", "-d", "-x", std::to_string(columns), "-y",
          std::to_string(rows), "env", "-u", "TMUX", "LANG=C.UTF-8", "LC_ALL=C.UTF-8", "sh", "-c",
          command});
}

TmuxSession::~TmuxSession() {
    tmux({"kill-server"});
}

void TmuxSession::type(const std::string& text) const {
    tmux({"send-keys", "-l", text});
}

void TmuxSession::press(const std::string& key, int times) const {
    std::vector<std::string> arguments{"send-keys"};
    for (int count = 0; count < times; ++count) {
        arguments.push_back(key);
    }
    tmux(arguments);
}

void TmuxSession::paste(const std::string& text, bool bracketed) const {
    tmux({"set-buffer", "-b", "qvchat-paste", "--", text});
    std::vector<std::string> arguments{"paste-buffer", "-d", "-b", "qvchat-paste"};
    if (bracketed) {
        arguments.emplace_back("-p");
    }
    tmux(arguments);
}

void TmuxSession::resize(int columns, int rows) const {
    tmux({"resize-window", "-x", std::to_string(columns), "-y", std::to_string(rows)});
}

void TmuxSession::record_output(const std::string& path) const {
    tmux({"pipe-pane", "-O", "cat >> '" + path + "'"});
}

std::vector<std::string> TmuxSession::screen(bool with_colours) const {
    std::vector<std::string> arguments{"capture-pane", "-p", "-N"};
    if (with_colours) {
        arguments.emplace_back("-e");
    }
    return split_rows(tmux(arguments));
}

std::pair<int, int> TmuxSession::cursor() const {
    std::istringstream position(tmux({"display-message", "-p", "#{cursor_x} #{cursor_y}"}));
    std::pair<int, int> column_and_row{-1, -1};
    position >> column_and_row.first >> column_and_row.second;
    return column_and_row;
}

std::string TmuxSession::pane_title() const {
    std::string title = tmux({"display-message", "-p", "#{pane_title}"});
    if (!title.empty() && title.back() == '\n') {
        title.pop_back();
    }
    return title;
}

std::string TmuxSession::pane_tty() const {
    std::string device = tmux({"display-message", "-p", "#{pane_tty}"});
    device.erase(device.find_last_not_of('\n') + 1);
    return device;
}

pid_t TmuxSession::server_process() const {
    return static_cast<pid_t>(std::stol(tmux({"display-message", "-p", "#{pid}"})));
}

bool TmuxSession::wait_for_screen(
    const std::function<bool(const std::vector<std::string>&)>& condition,
    std::chrono::milliseconds deadline, bool with_colours) const {
    const auto give_up = std::chrono::steady_clock::now() + deadline;
    while (!condition(screen(with_colours))) {
        if (std::chrono::steady_clock::now() >= give_up) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

bool TmuxSession::wait_for_text(const std::string& text, std::chrono::milliseconds deadline) const {
    return wait_for_screen(
        [&text](const std::vector<std::string>& rows) {
            return std::any_of(rows.begin(), rows.end(), [&text](const std::string& row) {
                return row.find(text) != std::string::npos;
            });
        },
        deadline);
}

std::string TmuxSession::tmux(const std::vector<std::string>& arguments) const {
    std::vector<std::string> command{"tmux", "-L", socket_name};
    command.insert(command.end(), arguments.begin(), arguments.end());
    return run_program(command);
}

std::string joined(const std::vector<std::string>& rows) {
    std::string text;
    for (const auto& row : rows) {
        text += row + "\n";
    }
    return text;
}

}  // namespace qvtest
