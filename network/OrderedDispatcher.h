#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>

namespace qvnetworklib {

// Starts a detached thread for each job handed in and runs the jobs one after the other, in
// the order they were handed in. A job's own thread runs it when no earlier job is running;
// otherwise the thread running jobs takes it next and the new thread ends at once, so that no
// thread sleeps waiting for its turn (a wake-up for every message costs a burst more than its
// handlers do). The number of jobs not yet finished is bounded; the feeder asks for room before
// handing in more.
class OrderedDispatcher {
public:
    using Job = std::function<void()>;
    // Starts `task` on a new thread, which takes it over, and detaches it. Throws when no
    // thread can be started, leaving `task` in place.
    using Launcher = std::function<void(std::function<void()>& task)>;

    static constexpr std::size_t DEFAULT_MAX_LIVE_JOBS = 64;

    explicit OrderedDispatcher(std::size_t max_live_jobs = DEFAULT_MAX_LIVE_JOBS,
                               Launcher launcher = launch_detached_thread);
    // Waits until no job is alive and every thread it started has let go of it.
    ~OrderedDispatcher();

    OrderedDispatcher(const OrderedDispatcher&) = delete;
    OrderedDispatcher& operator=(const OrderedDispatcher&) = delete;

    // Hands in a job. When no thread can be started the calling thread runs it, after every
    // earlier job, unless a job is running: that job's thread takes it. An exception thrown by a
    // job is swallowed on the thread that ran it.
    void dispatch(Job job);

    // True when fewer than the bound of jobs are alive. Otherwise `on_room` is kept and called
    // once, from the thread that finished a job, as soon as there is room again (replacing any
    // earlier `on_room` not yet called).
    bool has_room_or_notify(std::function<void()> on_room);

    // Blocks until every job handed in so far has finished.
    void wait_until_idle();

    std::size_t live_jobs() const;

    static void launch_detached_thread(std::function<void()>& task);

private:
    void run_waiting_jobs();
    void finish_job(std::unique_lock<std::mutex>& lock);
    void leave_locked();

    const std::size_t max_live_jobs;
    const Launcher launcher;

    mutable std::mutex jobs_mutex;  // guards everything below
    std::condition_variable became_idle;
    std::deque<Job> waiting_jobs;  // handed in, not yet started, in order
    bool job_running = false;
    std::size_t live_job_count = 0;  // jobs handed in and not finished
    std::size_t busy_count = 0;      // threads started and not yet gone, plus room notifications
    std::function<void()> room_waiter;
};

}  // namespace qvnetworklib
