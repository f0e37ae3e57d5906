#pragma once

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <future>
#include <mutex>

namespace qvnetworklib {

// Runs each job on a detached thread of its own, yet one after the other in the order the
// jobs were handed in: a job starts only once the job before it has finished. The number of
// jobs alive at once is bounded; the feeder asks for room before handing in more.
class OrderedDispatcher {
public:
    using Job = std::function<void()>;
    // Starts `task` on a new thread, which takes it over, and detaches it. Throws when no
    // thread can be started, leaving `task` in place.
    using Launcher = std::function<void(std::function<void()>& task)>;

    static constexpr std::size_t DEFAULT_MAX_LIVE_JOBS = 64;

    explicit OrderedDispatcher(std::size_t max_live_jobs = DEFAULT_MAX_LIVE_JOBS,
                               Launcher launcher = launch_detached_thread);
    // Waits until no job is alive.
    ~OrderedDispatcher();

    OrderedDispatcher(const OrderedDispatcher&) = delete;
    OrderedDispatcher& operator=(const OrderedDispatcher&) = delete;

    // Hands in a job. When no thread can be started the job runs on the calling thread, still
    // after every earlier job. An exception thrown by a job is swallowed on its thread.
    void dispatch(Job job);

    // True when fewer than the bound of jobs are alive. Otherwise `on_room` is kept and called
    // once, from a finishing job's thread, as soon as there is room again (replacing any
    // earlier `on_room` not yet called).
    bool has_room_or_notify(std::function<void()> on_room);

    // Blocks until every job handed in so far has finished.
    void wait_until_idle();

    std::size_t live_jobs() const;

    static void launch_detached_thread(std::function<void()>& task);

private:
    void finish_job();

    const std::size_t max_live_jobs;
    const Launcher launcher;

    // Completion of the most recently handed-in job; the next job waits on it. Used by the
    // feeding thread only.
    std::shared_future<void> last_job_done;

    mutable std::mutex counters_mutex;  // guards the two counters and room_waiter
    std::condition_variable became_idle;
    std::size_t live_job_count = 0;
    std::size_t busy_count = 0;  // live jobs plus room notifications still being delivered
    std::function<void()> room_waiter;
};

}  // namespace qvnetworklib
