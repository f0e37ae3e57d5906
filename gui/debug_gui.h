#pragma once

#include <iosfwd>
#include <mutex>
#include <string>
#include <vector>

#include "gui/common_gui.h"

namespace qvchat2gui {

// Plain-stream front-end for debugging: lines go to standard output with control bytes shown
// as '#', the login is read from standard input; no screen handling and no keyboard loop.
class DebugGUI : public ChatGUI {
public:
    DebugGUI();
    // Streams to use instead of standard input and output (tests).
    DebugGUI(std::istream& input, std::ostream& output);
    ~DebugGUI() override;
    DebugGUI(const DebugGUI&) = delete;
    DebugGUI& operator=(const DebugGUI&) = delete;

    void prompt_login(std::string& username, std::string& password) const override;
    void add_chat_line(const std::string& line) override;
    // Reads no input and never returns: the program ends from outside.
    void take_control() override;
    void update_clock(unsigned short minutes) override;
    void set_channel_list(const std::vector<unsigned int>& channels) override;

private:
    std::istream& input;
    std::ostream& output;
    std::mutex output_mutex;  // one whole line at a time on output
};

}  // namespace qvchat2gui
