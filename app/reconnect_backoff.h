#pragma once

#include <chrono>
#include <string>

namespace qvchat2 {

// The waits before the attempts to connect again: 1, 2, 4, 8, 16, 30 and 60 seconds, then every
// 60 seconds. Each is varied at random by up to this share either way, so that many clients
// dropped at once by one server do not all come back in the same instant.
constexpr double RECONNECT_JITTER = 0.2;

// A connection that stayed up this long after the login was sent counts as one that worked: the
// waits start again from the first. A shorter one is one more failed attempt.
constexpr std::chrono::seconds LASTING_CONNECTION{60};

// The wait before attempt `attempt` (1 for the first after a connection ended), with `spread`
// from -1 to 1 choosing where in the jitter it falls.
std::chrono::milliseconds reconnect_delay(unsigned attempt, double spread);

// "Reconnecting in N s (attempt K)...", N the wait in whole seconds (at least 1).
std::string reconnect_notice(std::chrono::milliseconds delay, unsigned attempt);

}  // namespace qvchat2
