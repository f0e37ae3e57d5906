#include "app/startup_warnings.h"

#include <unistd.h>

#include <iostream>

#include "app/fault_report.h"

namespace qvchat2 {

StartupWarnings::StartupWarnings() : standard_error(std::cerr.rdbuf(held.rdbuf())) {}

StartupWarnings::~StartupWarnings() {
    show();
}

void StartupWarnings::show_before_the_screen() {
    if (show() && isatty(STDIN_FILENO) == 1 && isatty(STDERR_FILENO) == 1) {
        my_pause();
    }
}

bool StartupWarnings::show() {
    if (standard_error == nullptr) {
        return false;
    }
    std::cerr.rdbuf(standard_error);
    standard_error = nullptr;
    const std::string text = held.str();
    std::cerr << text << std::flush;
    return !text.empty();
}

}  // namespace qvchat2
