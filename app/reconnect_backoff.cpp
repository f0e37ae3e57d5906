#include "app/reconnect_backoff.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace qvchat2 {

namespace {

constexpr std::array<double, 7> NOMINAL_DELAYS_S{1, 2, 4, 8, 16, 30, 60};

}  // namespace

std::chrono::milliseconds reconnect_delay(unsigned attempt, double spread) {
    const std::size_t step =
        std::min<std::size_t>(std::max(attempt, 1U) - 1, NOMINAL_DELAYS_S.size() - 1);
    const double factor = 1.0 + RECONNECT_JITTER * std::clamp(spread, -1.0, 1.0);
    return std::chrono::milliseconds(std::lround(NOMINAL_DELAYS_S.at(step) * factor * 1000.0));
}

std::string reconnect_notice(std::chrono::milliseconds delay, unsigned attempt) {
    const long seconds = std::max(1L, std::lround(static_cast<double>(delay.count()) / 1000.0));
    return "Reconnecting in " + std::to_string(seconds) + " s (attempt " + std::to_string(attempt) +
           ")...";
}

}  // namespace qvchat2
