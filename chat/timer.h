#pragma once

#include <atomic>
#include <boost/chrono/duration.hpp>
#include <boost/function.hpp>
#include <boost/thread/thread.hpp>
#include <memory>
#include <mutex>

namespace qvchat2 {

// A one-shot countdown: runs an action on a thread of its own once a number of minutes has
// passed without a reset. The Timer owns that thread and stops it when it goes; a stopped
// countdown never runs its action. The action must not reset or cancel its own Timer.
class Timer {
public:
    using Action = boost::function<void()>;
    using Duration = boost::chrono::milliseconds;

    // Starts the first countdown at once, unless `minutes` is 0: then none ever runs. `minute` is
    // the length of one minute; tests shorten it.
    Timer(unsigned short minutes, Action action, Duration minute = boost::chrono::minutes(1));
    ~Timer();

    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    // Cancels a pending countdown and starts the full length again from now. When no thread
    // can be started, or the length is 0, the countdown stays cancelled.
    void reset();

    // Cancels a pending countdown and takes a new length for the next reset.
    void set_minutes(unsigned short new_minutes);

    // Cancels a pending countdown; an action that has already begun is waited for.
    void cancel();

    // Whether a countdown is running that has not reached its action yet.
    bool counting_down() const;

private:
    void execute();
    // Interrupts the current countdown and waits for its thread; needs countdown_lock.
    void stop_countdown();
    // Starts a countdown of the current length; needs countdown_lock.
    void start_countdown();

    // Written under countdown_lock while no countdown runs, read by the countdown.
    unsigned short minutes;
    const Duration minute_length;
    const Action action;
    std::mutex countdown_lock;  // guards countdown_thread and minutes
    std::unique_ptr<boost::thread> countdown_thread;
    // Set before a countdown starts, cleared when it ends or is stopped: written under
    // countdown_lock or by the one countdown thread alive, read anywhere.
    std::atomic<bool> counting{false};
};

}  // namespace qvchat2
