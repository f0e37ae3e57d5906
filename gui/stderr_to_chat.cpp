#include "gui/stderr_to_chat.h"

#include <iostream>
#include <utility>
#include <vector>

namespace qvchat2gui {

StderrToChat::StderrToChat(ChatGUI& front_end) : lines(front_end), saved(std::cerr.rdbuf(&lines)) {}

StderrToChat::~StderrToChat() {
    std::cerr.rdbuf(saved);
    const std::string unfinished = lines.take_unfinished();
    if (!unfinished.empty()) {
        std::cerr << unfinished << '\n';
    }
}

std::string StderrToChat::LineBuffer::take_unfinished() {
    const std::lock_guard<std::mutex> lock(pending_mutex);
    return std::exchange(pending, std::string());
}

StderrToChat::LineBuffer::int_type StderrToChat::LineBuffer::overflow(int_type byte) {
    if (traits_type::eq_int_type(byte, traits_type::eof())) {
        return traits_type::not_eof(byte);
    }
    const char single = traits_type::to_char_type(byte);
    xsputn(&single, 1);
    return byte;
}

std::streamsize StderrToChat::LineBuffer::xsputn(const char* bytes, std::streamsize count) {
    std::vector<std::string> finished;
    {
        const std::lock_guard<std::mutex> lock(pending_mutex);
        for (std::streamsize index = 0; index < count; ++index) {
            if (bytes[index] == '\n') {
                finished.push_back(server_line(std::exchange(pending, {})));
            } else {
                pending += bytes[index];
            }
        }
    }
    // Shown outside the lock: the front-end takes locks of its own.
    for (const std::string& line : finished) {
        front_end.add_client_line(line);
    }
    return count;
}

}  // namespace qvchat2gui
