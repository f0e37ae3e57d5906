#pragma once

#include <chrono>
#include <thread>

namespace qvtest {

constexpr std::chrono::milliseconds DEFAULT_DEADLINE{5000};

// Polls `condition` until it holds or the deadline passes; returns its last value.
template <typename Condition>
bool wait_until(Condition condition, std::chrono::milliseconds deadline = DEFAULT_DEADLINE) {
    const auto give_up = std::chrono::steady_clock::now() + deadline;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= give_up) {
            return condition();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

}  // namespace qvtest
