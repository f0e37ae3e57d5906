#pragma once

#include <array>
#include <regex>
#include <string>

namespace qvtest {

// The wait, in seconds, of the newest "Reconnecting in N s (attempt K)..." notice on `screen` for
// `attempt`, or -1 when there is none.
inline long shown_wait(const std::string& screen, unsigned attempt) {
    const std::regex notice("Reconnecting in ([0-9]+) s \\(attempt " + std::to_string(attempt) +
                            "\\)\\.\\.\\.");
    long seconds = -1;
    for (auto found = std::sregex_iterator(screen.begin(), screen.end(), notice);
         found != std::sregex_iterator(); ++found) {
        seconds = std::stol((*found)[1].str());
    }
    return seconds;
}

// Whether `seconds` is the wait before attempt `attempt` (1 to 5) of a series that has not been
// reset: 1, 2, 4, 8 and 16 s, each varied by at most a fifth either way and shown rounded.
inline bool is_growing_wait(unsigned attempt, long seconds) {
    struct Range {
        long least;
        long most;
    };
    constexpr std::array<Range, 5> WAITS{{{1, 1}, {2, 2}, {3, 5}, {6, 10}, {13, 19}}};
    return attempt >= 1 && attempt <= WAITS.size() && seconds >= WAITS.at(attempt - 1).least &&
           seconds <= WAITS.at(attempt - 1).most;
}

}  // namespace qvtest
