#include "app/notify_command.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <iostream>
#include <system_error>
#include <utility>

namespace qvchat2 {

namespace {

// How often the worker looks for ended children while nothing else wakes it.
constexpr std::chrono::milliseconds REAP_POLL{250};
// The most programs running at once: one that never ends must not pile up processes.
constexpr std::size_t MOST_RUNNING_PROGRAMS = 4;
// Ends the program's options: the title and the text after it come from the server and may begin
// with "-".
constexpr char END_OF_OPTIONS[] = "--";

// Signals this program ignores, blocks or handles that the notifying program must get as usual.
constexpr int SIGNALS_TO_RESET[] = {SIGPIPE,  SIGINT,  SIGTERM, SIGHUP,  SIGQUIT, SIGCHLD, SIGURG,
                                    SIGWINCH, SIGTSTP, SIGTTIN, SIGTTOU, SIGCONT, SIGXFSZ};

// How the child is started: default signals, nothing blocked, a session of its own (no
// controlling terminal).
class SpawnAttributes {
public:
    SpawnAttributes() {
        posix_spawnattr_init(&attributes);
        sigset_t none;
        sigemptyset(&none);
        posix_spawnattr_setsigmask(&attributes, &none);
        sigset_t defaults;
        sigemptyset(&defaults);
        for (const int signal_number : SIGNALS_TO_RESET) {
            sigaddset(&defaults, signal_number);
        }
        posix_spawnattr_setsigdefault(&attributes, &defaults);
        posix_spawnattr_setflags(
            &attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSID);
    }
    ~SpawnAttributes() { posix_spawnattr_destroy(&attributes); }
    SpawnAttributes(const SpawnAttributes&) = delete;
    SpawnAttributes& operator=(const SpawnAttributes&) = delete;

    const posix_spawnattr_t* get() const { return &attributes; }

private:
    posix_spawnattr_t attributes{};
};

// The child's files: /dev/null for standard input, output and error, and none of this
// program's others (the server's socket, the logs), so that a lingering child holds nothing.
class SpawnFiles {
public:
    SpawnFiles() {
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
        posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
#endif
    }
    ~SpawnFiles() {
        posix_spawn_file_actions_destroy(&actions);
    }
    SpawnFiles(const SpawnFiles&) = delete;
    SpawnFiles& operator=(const SpawnFiles&) = delete;

    const posix_spawn_file_actions_t* get() const {
        return &actions;
    }

private:
    posix_spawn_file_actions_t actions{};
};

}  // namespace

NotifyCommand::NotifyCommand(std::string program, std::chrono::milliseconds interval)
    : interval(interval), program(std::move(program)) {
    if (!this->program.empty()) {
        worker = std::thread([this] { run_notifications(); });
    }
}

void NotifyCommand::set_program(const std::string& new_program) {
    const std::lock_guard<std::mutex> lock(queue_mutex);
    program = new_program;
    if (!program.empty() && !worker.joinable() && !stopping) {
        worker = std::thread([this] { run_notifications(); });
    }
}

NotifyCommand::~NotifyCommand() {
    stop();
}

void NotifyCommand::stop() {
    {
        const std::lock_guard<std::mutex> lock(queue_mutex);
        stopping = true;
    }
    queue_changed.notify_all();
    if (worker.joinable()) {
        worker.join();
    }
    reap_children();
}

void NotifyCommand::notify(const std::string& title, const std::string& text) {
    {
        const std::lock_guard<std::mutex> lock(queue_mutex);
        if (program.empty()) {
            return;
        }
        if (!immediate && held_count == 0 && running_programs < MOST_RUNNING_PROGRAMS &&
            clock::now() >= next_run_allowed) {
            immediate = Notification{title, text};
        } else {
            ++held_count;
            newest_held = Notification{title, text};
        }
    }
    queue_changed.notify_one();
}

void NotifyCommand::run_notifications() {
    while (true) {
        reap_children();
        std::unique_lock<std::mutex> lock(queue_mutex);
        if (stopping) {
            return;
        }
        const clock::time_point now = clock::now();
        running_programs = children.size();
        const bool room = running_programs < MOST_RUNNING_PROGRAMS;
        if (immediate && !room) {
            // Summed up with those that come later, as one that came too soon is.
            if (held_count == 0) {
                newest_held = std::move(*immediate);
            }
            ++held_count;
            immediate.reset();
        }
        std::optional<Notification> due;
        if (immediate) {
            due = std::move(immediate);
            immediate.reset();
        } else if (held_count > 0 && room && now >= next_run_allowed) {
            due = std::move(newest_held);
            if (held_count > 1) {
                due->text += " (" + std::to_string(held_count - 1) + " more)";
            }
            held_count = 0;
        }
        if (due) {
            next_run_allowed = now + interval;
            ++running_programs;
            const std::string program_to_run = program;
            lock.unlock();
            if (!program_to_run.empty()) {
                run_program(program_to_run, *due);
            }
            continue;
        }
        // Wakes for a new notification, the end of the interval, the next look for ended
        // children, or the stop; anything else is a spurious wake-up that only loops once more.
        std::optional<clock::time_point> wake;
        if (held_count > 0 && room) {
            wake = next_run_allowed;
        }
        if (!children.empty()) {
            wake = std::min(wake.value_or(clock::time_point::max()), now + REAP_POLL);
        }
        if (wake) {
            queue_changed.wait_until(lock, *wake);
        } else {
            queue_changed.wait(lock);
        }
    }
}

void NotifyCommand::run_program(const std::string& program_to_run,
                                const Notification& notification) {
    std::string program_argument = program_to_run;
    std::string end_of_options = END_OF_OPTIONS;
    std::string title_argument = notification.title;
    std::string text_argument = notification.text;
    char* const arguments[] = {program_argument.data(), end_of_options.data(),
                               title_argument.data(), text_argument.data(), nullptr};
    const SpawnAttributes attributes;
    const SpawnFiles files;
    pid_t child = 0;
    const int error = posix_spawnp(&child, program_to_run.c_str(), files.get(), attributes.get(),
                                   arguments, environ);
    if (error == 0) {
        children.push_back(child);
        return;
    }
    if (failure_reported_for != program_to_run) {
        failure_reported_for = program_to_run;
        std::cerr << "Cannot run notify_command " << program_to_run << ": "
                  << std::generic_category().message(error) << '\n';
    }
}

void NotifyCommand::reap_children() {
    children.erase(std::remove_if(children.begin(), children.end(),
                                  [](pid_t child) {
                                      int status = 0;
                                      const pid_t reaped = ::waitpid(child, &status, WNOHANG);
                                      // ECHILD: someone else reaped it already.
                                      return reaped == child || (reaped == -1 && errno != EINTR);
                                  }),
                   children.end());
}

}  // namespace qvchat2
