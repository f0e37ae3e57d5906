#pragma once

#include <array>
#include <regex>
#include <string>

#include "tests/support/TmuxSession.h"

namespace qvtest {

// Waits for the notice "Reconnecting in N s (attempt K)..." of `attempt` (1 to 5) and checks that
// N is the wait of a series never reset: 1, 2, 4, 8 and 16 s, each varied by at most a fifth
// either way and shown rounded. Returns what is wrong, with the screen, or an empty text.
inline std::string unexpected_wait(const TmuxSession& terminal, unsigned attempt) {
    struct Range {
        long least;
        long most;
    };
    constexpr std::array<Range, 5> WAITS{{{1, 1}, {2, 2}, {3, 5}, {6, 10}, {13, 19}}};
    const std::string attempt_text = "(attempt " + std::to_string(attempt) + ")...";
    if (!terminal.wait_for_text(attempt_text)) {
        return "no notice of attempt " + std::to_string(attempt) + "\n" + joined(terminal.screen());
    }
    const std::string screen = joined(terminal.screen());
    const std::regex notice("Reconnecting in ([0-9]+) s \\(attempt " + std::to_string(attempt) +
                            "\\)");
    std::smatch found;
    if (attempt < 1 || attempt > WAITS.size() || !std::regex_search(screen, found, notice)) {
        return "no wait for attempt " + std::to_string(attempt) + "\n" + screen;
    }
    const long seconds = std::stol(found[1].str());
    if (seconds < WAITS.at(attempt - 1).least || seconds > WAITS.at(attempt - 1).most) {
        return "attempt " + std::to_string(attempt) + " waits " + std::to_string(seconds) + " s\n" +
               screen;
    }
    return std::string();
}

}  // namespace qvtest
