#include "chat/timer.h"

#include <utility>

namespace qvchat2 {

Timer::Timer(unsigned short minutes, Action action, Duration minute)
    : minutes(minutes), minute_length(minute), action(std::move(action)) {
    const std::lock_guard<std::mutex> lock(countdown_lock);
    if (minutes > 0) {
        // Before the thread starts, which may reach its end at once.
        counting = true;
        countdown_thread = std::make_unique<boost::thread>(&Timer::execute, this);
    }
}

Timer::~Timer() {
    const std::lock_guard<std::mutex> lock(countdown_lock);
    stop_countdown();
}

void Timer::reset() {
    const std::lock_guard<std::mutex> lock(countdown_lock);
    stop_countdown();
    start_countdown();
}

void Timer::set_minutes(unsigned short new_minutes) {
    const std::lock_guard<std::mutex> lock(countdown_lock);
    stop_countdown();
    minutes = new_minutes;
}

void Timer::start_countdown() {
    if (minutes == 0) {
        return;
    }
    counting = true;
    try {
        countdown_thread = std::make_unique<boost::thread>(&Timer::execute, this);
    } catch (const boost::thread_resource_error&) {
        // The system has no thread to spare: the countdown stays stopped until the next reset,
        // rather than failing the caller, which is showing a line or leaving the away state.
        counting = false;
    }
}

void Timer::cancel() {
    const std::lock_guard<std::mutex> lock(countdown_lock);
    stop_countdown();
}

bool Timer::counting_down() const {
    return counting;
}

void Timer::execute() {
    try {
        boost::this_thread::sleep_for(minute_length * minutes);
        counting = false;
        // Once begun, the action runs to its end even if a reset comes in meanwhile.
        const boost::this_thread::disable_interruption finish_action;
        action();
    } catch (...) {  // NOLINT(bugprone-empty-catch): an interrupted or failed countdown just ends
    }
}

void Timer::stop_countdown() {
    if (!countdown_thread) {
        return;
    }
    countdown_thread->interrupt();
    // The caller may itself be an interruptible thread; the countdown must be gone either way.
    const boost::this_thread::disable_interruption keep_waiting;
    countdown_thread->join();
    counting = false;
}

}  // namespace qvchat2
