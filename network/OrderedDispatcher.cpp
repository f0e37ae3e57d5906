#include "network/OrderedDispatcher.h"

#include <pthread.h>

#include <memory>
#include <system_error>
#include <utility>

namespace qvnetworklib {

namespace {

// A job runs one message handler, which needs little stack. With the default 8 MiB stacks a
// burst keeps more stacks alive than the C library caches for reuse, so that nearly every
// thread start mapped, faulted in and unmapped a fresh stack (the unmapping interrupts every
// core); stacks this small stay in that cache.
constexpr std::size_t DISPATCH_STACK_SIZE = std::size_t{256} * 1024;

// Body of a dispatch thread: runs and then frees the task handed over by its starter.
void* run_owned_task(void* task) {
    const std::unique_ptr<std::function<void()>> owned(static_cast<std::function<void()>*>(task));
    (*owned)();
    return nullptr;
}

}  // namespace

OrderedDispatcher::OrderedDispatcher(std::size_t max_live_jobs, Launcher launcher)
    : max_live_jobs(max_live_jobs == 0 ? 1 : max_live_jobs), launcher(std::move(launcher)) {}

OrderedDispatcher::~OrderedDispatcher() {
    wait_until_idle();
}

void OrderedDispatcher::launch_detached_thread(std::function<void()>& task) {
    // Started detached through POSIX threads: the thread owns its task and frees it itself.
    // A detached Boost thread leaves its bookkeeping to be released by whichever side lets go
    // last, inside a library the thread checker cannot see into, which it reports as a race.
    auto owned_task = std::make_unique<std::function<void()>>(std::move(task));
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setstacksize(&attributes, DISPATCH_STACK_SIZE);
    pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
    pthread_t thread;
    const int error = pthread_create(&thread, &attributes, &run_owned_task, owned_task.get());
    pthread_attr_destroy(&attributes);
    if (error != 0) {
        task = std::move(*owned_task);  // still the caller's, to run itself
        throw std::system_error(error, std::generic_category(), "cannot start a dispatch thread");
    }
    static_cast<void>(owned_task.release());  // now the thread's
}

void OrderedDispatcher::dispatch(Job job) {
    {
        const std::lock_guard<std::mutex> lock(jobs_mutex);
        waiting_jobs.push_back(std::move(job));
        ++live_job_count;
        ++busy_count;
    }
    std::function<void()> task = [this] { run_waiting_jobs(); };
    try {
        launcher(task);
    } catch (...) {
        // No thread to be had: the job runs here, after every earlier one.
        run_waiting_jobs();
    }
}

// A message's own thread. When the job before it is still running, the thread running it takes
// this one next instead of this thread sleeping until it may start.
void OrderedDispatcher::run_waiting_jobs() {
    std::unique_lock<std::mutex> lock(jobs_mutex);
    if (job_running) {
        leave_locked();
        return;
    }
    job_running = true;
    while (!waiting_jobs.empty()) {
        Job job = std::move(waiting_jobs.front());
        waiting_jobs.pop_front();
        lock.unlock();
        try {
            job();
        } catch (...) {
            // A failing job must neither end its thread abnormally nor hold up the ones after it.
        }
        // Whatever the job holds goes before the owner may: once idle, it can be gone.
        job = nullptr;
        lock.lock();
        finish_job(lock);
    }
    job_running = false;
    leave_locked();
}

bool OrderedDispatcher::has_room_or_notify(std::function<void()> on_room) {
    const std::lock_guard<std::mutex> lock(jobs_mutex);
    if (live_job_count < max_live_jobs) {
        return true;
    }
    room_waiter = std::move(on_room);
    return false;
}

void OrderedDispatcher::finish_job(std::unique_lock<std::mutex>& lock) {
    --live_job_count;
    std::function<void()> waiter = std::exchange(room_waiter, nullptr);
    if (!waiter) {
        return;
    }
    lock.unlock();
    // The thread is still counted as busy, so the owner cannot go away under the waiter.
    waiter();
    lock.lock();
}

// jobs_mutex held. The thread's last touch of the dispatcher: once idle, the owner may destroy it.
void OrderedDispatcher::leave_locked() {
    --busy_count;
    if (busy_count == 0) {
        became_idle.notify_all();
    }
}

void OrderedDispatcher::wait_until_idle() {
    std::unique_lock<std::mutex> lock(jobs_mutex);
    became_idle.wait(lock, [this] { return busy_count == 0; });
}

std::size_t OrderedDispatcher::live_jobs() const {
    const std::lock_guard<std::mutex> lock(jobs_mutex);
    return live_job_count;
}

}  // namespace qvnetworklib
