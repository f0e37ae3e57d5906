#include "gui/debug_gui.h"

#include <algorithm>
#include <chrono>
#include <iostream>
#include <thread>

namespace qvchat2gui {

DebugGUI::DebugGUI() : DebugGUI(std::cin, std::cout) {}

DebugGUI::DebugGUI(std::istream& input, std::ostream& output) : input(input), output(output) {}

DebugGUI::~DebugGUI() {
    stop_search();
}

void DebugGUI::prompt_login(std::string& username, std::string& password) const {
    output << "Username: " << std::flush;
    std::getline(input, username);
    output << "Password: " << std::flush;
    std::getline(input, password);
}

void DebugGUI::add_chat_line(const std::string& line) {
    std::string cleaned(line.size(), ' ');
    std::transform(line.begin(), line.end(), cleaned.begin(), transform_illegals);
    const std::lock_guard<std::mutex> lock(output_mutex);
    output << cleaned << std::flush;
    output << '\n' << std::flush;
}

void DebugGUI::take_control() {
    for (;;) {
        std::this_thread::sleep_for(std::chrono::hours(1));
    }
}

void DebugGUI::update_clock(unsigned short /*minutes*/) {}

void DebugGUI::set_channel_list(const std::vector<unsigned int>& /*channels*/) {}

}  // namespace qvchat2gui
