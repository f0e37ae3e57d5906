#pragma once

#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace qvchat2 {

// The `notify_command` setting: a program (for example notify-send) run with "--" and then a
// notification's title and text as its three arguments, with no shell between, so that a text
// beginning with "-" is never taken for an option. It runs at most once per interval and at most
// four at once; the notifications that come in between, or while four still run, are summed up
// in the next run: one held gives its own text, several give the newest one's text followed by
// " (N more)", N being how many others were held.
//
// The program runs on a worker thread of its own, started here and joined by the destructor, so
// that a slow, hung or chatty program never holds up the caller: its standard input, output and
// error are /dev/null and no other file of this program is open in it; it gets the program's
// environment, default signal dispositions, no blocked signals and a session of its own (so it
// cannot reach the terminal either). Its children are reaped as they end; the destructor returns
// at once, drops the notifications still held and leaves a program still running alone.
// A program that cannot be started is named once on std::cerr ("Cannot run notify_command
// PROGRAM: REASON"), then tried again quietly. With an empty program nothing runs at all.
class NotifyCommand {
public:
    explicit NotifyCommand(std::string program,
                           std::chrono::milliseconds interval = std::chrono::seconds(5));
    ~NotifyCommand();

    NotifyCommand(const NotifyCommand&) = delete;
    NotifyCommand& operator=(const NotifyCommand&) = delete;

    // Runs the program for this notification now, or after the interval summed up with the
    // others. Any thread; never waits for the program.
    void notify(const std::string& title, const std::string& text);
    // Another program for the notifications from now on; empty runs none. Any thread.
    void set_program(const std::string& new_program);
    // Ends the worker: nothing runs or is reported from then on. The owning thread.
    void stop();

private:
    using clock = std::chrono::steady_clock;
    struct Notification {
        std::string title;
        std::string text;
    };

    void run_notifications();
    void run_program(const std::string& program_to_run, const Notification& notification);
    void reap_children();

    const std::chrono::milliseconds interval;

    // guards program, immediate, held_count, newest_held, next_run_allowed, running_programs,
    // stopping, and the start of the worker
    std::mutex queue_mutex;
    std::string program;
    std::condition_variable queue_changed;
    std::optional<Notification> immediate;  // the first after a quiet interval, to run at once
    std::size_t held_count = 0;             // those since, to be summed up
    Notification newest_held;
    clock::time_point next_run_allowed;  // the end of the interval after the last run
    // Counted when a program is taken to run, before it starts: a notification that comes while
    // the bound is reached is held at once.
    std::size_t running_programs = 0;
    bool stopping = false;

    // The worker's own, then stop()'s once it has joined the worker.
    std::vector<pid_t> children;
    std::string failure_reported_for;  // the program whose start failed last, told once

    std::thread worker;
};

}  // namespace qvchat2
