#pragma once

#include <atomic>
#include <chrono>
#include <functional>

namespace qvchat2gui {

// Lets a thread that found a lock taken sleep until the holder lets go, in poll() together with
// another event, instead of blocking in the lock itself, where nothing else can wake it.
class ReleaseNotice {
public:
    ReleaseNotice();
    ~ReleaseNotice();

    ReleaseNotice(const ReleaseNotice&) = delete;
    ReleaseNotice& operator=(const ReleaseNotice&) = delete;

    // The holder, after letting go.
    void released();
    // Sleeps until released() comes, `other_event` (if not -1) is readable or `longest` has
    // passed; returns at once when `is_taken` says the lock is free by now.
    void wait(const std::function<bool()>& is_taken, int other_event,
              std::chrono::nanoseconds longest);

private:
    std::atomic<int> waiting{0};
    const int event;
};

}  // namespace qvchat2gui
