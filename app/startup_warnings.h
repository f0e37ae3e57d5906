#pragma once

#include <sstream>
#include <streambuf>

namespace qvchat2 {

// Holds what start-up writes to standard error while it reads the configuration. The screen
// clears the terminal when it opens, so a warning written just before would be gone before
// anyone could read it.
class StartupWarnings {
public:
    StartupWarnings();
    // Writes what is still held, without waiting.
    ~StartupWarnings();

    StartupWarnings(const StartupWarnings&) = delete;
    StartupWarnings& operator=(const StartupWarnings&) = delete;

    // Gives standard error back and writes what was held to it; true when there was something.
    bool show();
    // As show(), and when there was something and the user is at a terminal, waits for Enter,
    // so that it is read before the screen opens.
    void show_before_the_screen();

private:
    std::ostringstream held;
    std::streambuf* standard_error = nullptr;
};

}  // namespace qvchat2
