#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "gui/common_gui.h"

namespace qvtest {

// A front-end that records what the chat logic asks it to show.
class RecordingChatGUI : public qvchat2gui::ChatGUI {
public:
    void prompt_login(std::string& /*username*/, std::string& /*password*/) const override {}
    void add_chat_line(const std::string& line) override {
        const std::lock_guard<std::mutex> lock(recorded_mutex);
        lines.push_back(line);
    }
    void take_control() override {}
    void set_client(qvnetworklib::Client* /*client*/) override {}
    void update_clock(unsigned short minutes) override {
        const std::lock_guard<std::mutex> lock(recorded_mutex);
        clock_values.push_back(minutes);
    }
    void set_channel_list(const std::vector<unsigned int>& channels) override {
        ChatGUI::set_channel_list(channels);
        const std::lock_guard<std::mutex> lock(recorded_mutex);
        channel_lists.push_back(channels);
    }

    std::vector<std::string> shown() const {
        const std::lock_guard<std::mutex> lock(recorded_mutex);
        return lines;
    }
    std::vector<unsigned short> clocks() const {
        const std::lock_guard<std::mutex> lock(recorded_mutex);
        return clock_values;
    }
    std::vector<std::vector<unsigned int>> channel_list_calls() const {
        const std::lock_guard<std::mutex> lock(recorded_mutex);
        return channel_lists;
    }

private:
    mutable std::mutex recorded_mutex;  // guards lines, clock_values and channel_lists
    std::vector<std::string> lines;
    std::vector<unsigned short> clock_values;
    std::vector<std::vector<unsigned int>> channel_lists;
};

}  // namespace qvtest
