#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "gui/common_gui.h"

namespace qvtest {

// A front-end that only records the lines it is asked to show.
class RecordingGUI : public qvchat2gui::ChatGUI {
public:
    void prompt_login(std::string& /*username*/, std::string& /*password*/) const override {}
    void add_chat_line(const std::string& line) override {
        const std::lock_guard<std::mutex> lock(lines_mutex);
        lines.push_back(line);
    }
    void take_control() override {}
    void set_client(qvnetworklib::Client* /*client*/) override {}
    void update_clock(unsigned short /*minutes*/) override {}

    std::vector<std::string> shown() const {
        const std::lock_guard<std::mutex> lock(lines_mutex);
        return lines;
    }

private:
    mutable std::mutex lines_mutex;  // guards lines
    std::vector<std::string> lines;
};

}  // namespace qvtest
