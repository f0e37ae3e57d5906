#include "network/OrderedDispatcher.h"

#include <boost/thread/thread.hpp>
#include <memory>
#include <utility>

namespace qvnetworklib {

namespace {

// A job runs one message handler, which needs little stack. With the default 8 MiB stacks a
// burst keeps more stacks alive than the C library caches for reuse, so that nearly every
// thread start mapped, faulted in and unmapped a fresh stack (the unmapping interrupts every
// core); stacks this small stay in that cache.
constexpr std::size_t DISPATCH_STACK_SIZE = std::size_t{256} * 1024;

}  // namespace

OrderedDispatcher::OrderedDispatcher(std::size_t max_live_jobs, Launcher launcher)
    : max_live_jobs(max_live_jobs == 0 ? 1 : max_live_jobs), launcher(std::move(launcher)) {}

OrderedDispatcher::~OrderedDispatcher() {
    wait_until_idle();
}

void OrderedDispatcher::launch_detached_thread(const std::function<void()>& task) {
    boost::thread::attributes attributes;
    attributes.set_stack_size(DISPATCH_STACK_SIZE);
    boost::thread thread(attributes, task);
    thread.detach();
}

void OrderedDispatcher::dispatch(Job job) {
    {
        const std::lock_guard<std::mutex> lock(counters_mutex);
        ++live_job_count;
        ++busy_count;
    }

    auto done = std::make_shared<std::promise<void>>();
    std::shared_future<void> previous = std::exchange(last_job_done, done->get_future().share());

    std::function<void()> task = [this, previous, done, job = std::move(job)]() mutable {
        if (previous.valid()) {
            previous.wait();
        }
        try {
            job();
        } catch (...) {
            // A failing job must neither end its thread abnormally nor hold up the ones after it.
        }
        // Whatever the job holds goes before the owner may: after finish_job() it can be gone.
        job = nullptr;
        done->set_value();
        finish_job();
    };

    try {
        launcher(task);
    } catch (...) {
        // No thread to be had: keep the message and the order by running it here.
        task();
    }
}

bool OrderedDispatcher::has_room_or_notify(std::function<void()> on_room) {
    const std::lock_guard<std::mutex> lock(counters_mutex);
    if (live_job_count < max_live_jobs) {
        return true;
    }
    room_waiter = std::move(on_room);
    return false;
}

void OrderedDispatcher::finish_job() {
    std::function<void()> waiter;
    {
        const std::lock_guard<std::mutex> lock(counters_mutex);
        --live_job_count;
        waiter = std::move(room_waiter);
        room_waiter = nullptr;
        if (!waiter) {
            --busy_count;
            if (busy_count == 0) {
                became_idle.notify_all();
            }
            return;
        }
    }
    // Still counted as busy while the waiter runs, so the owner cannot go away under it.
    waiter();
    const std::lock_guard<std::mutex> lock(counters_mutex);
    --busy_count;
    if (busy_count == 0) {
        became_idle.notify_all();
    }
}

void OrderedDispatcher::wait_until_idle() {
    std::unique_lock<std::mutex> lock(counters_mutex);
    became_idle.wait(lock, [this] { return busy_count == 0; });
}

std::size_t OrderedDispatcher::live_jobs() const {
    const std::lock_guard<std::mutex> lock(counters_mutex);
    return live_job_count;
}

}  // namespace qvnetworklib
