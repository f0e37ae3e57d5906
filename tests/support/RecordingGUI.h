#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "gui/common_gui.h"

namespace qvtest {

// A front-end that only records the lines and the clock it is given. The fuzz targets take the
// lines after each input, so that memory stays bounded over millions of inputs.
class RecordingGUI : public qvchat2gui::ChatGUI {
public:
    void prompt_login(std::string& /*username*/, std::string& /*password*/) const override {}
    void add_chat_line(const std::string& line) override {
        const std::lock_guard<std::mutex> lock(lines_mutex);
        lines.push_back(line);
    }
    void take_control() override {}
    void set_client(qvnetworklib::Client* /*client*/) override {}
    void update_clock(unsigned short minutes) override { clock = minutes; }

    // Every line shown and not yet taken.
    std::vector<std::string> shown() const {
        const std::lock_guard<std::mutex> lock(lines_mutex);
        return lines;
    }
    // The lines shown since the last call.
    std::vector<std::string> take_lines() {
        const std::lock_guard<std::mutex> lock(lines_mutex);
        std::vector<std::string> taken;
        taken.swap(lines);
        return taken;
    }
    // The last clock value given, or -1 when none was.
    int last_clock() const { return clock; }
    void forget_clock() { clock = -1; }

private:
    mutable std::mutex lines_mutex;  // guards lines
    std::vector<std::string> lines;
    std::atomic<int> clock{-1};
};

}  // namespace qvtest
