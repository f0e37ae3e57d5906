#include "gui/release_notice.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdint>

namespace qvchat2gui {

ReleaseNotice::ReleaseNotice() : event(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

ReleaseNotice::~ReleaseNotice() {
    if (event >= 0) {
        close(event);
    }
}

// The fences pair with those in wait(): either the holder sees the waiter, or the waiter sees
// the lock free.
void ReleaseNotice::released() {
    std::atomic_thread_fence(std::memory_order_seq_cst);
    if (waiting.load() > 0 && event >= 0) {
        const std::uint64_t one = 1;
        // Fails only when the counter is full, which wakes the waiter all the same.
        const ssize_t written = write(event, &one, sizeof one);
        static_cast<void>(written);
    }
}

void ReleaseNotice::wait(const std::function<bool()>& is_taken, int other_event,
                         std::chrono::nanoseconds longest) {
    ++waiting;
    std::atomic_thread_fence(std::memory_order_seq_cst);
    if (is_taken()) {
        std::array<pollfd, 2> watched{{{event, POLLIN, 0}, {other_event, POLLIN, 0}}};
        const auto milliseconds = std::chrono::ceil<std::chrono::milliseconds>(
            std::max(longest, std::chrono::nanoseconds::zero()));
        poll(watched.data(), watched.size(), static_cast<int>(milliseconds.count()));
        std::uint64_t count = 0;
        const ssize_t read_count = read(event, &count, sizeof count);
        static_cast<void>(read_count);
    }
    --waiting;
}

}  // namespace qvchat2gui
