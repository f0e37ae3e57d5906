#pragma once

#include <mutex>
#include <streambuf>
#include <string>

#include "gui/common_gui.h"

namespace qvchat2gui {

// While it lives, every line written to std::cerr is shown in the chat window in the server
// colour instead of being written over the full-screen display, which curses would not know
// of. Any thread may write (pieces written by two threads at once may mix, as on a terminal).
// The stream is put back when it goes, and an unfinished last line is then written to it.
class StderrToChat {
public:
    explicit StderrToChat(ChatGUI& front_end);
    ~StderrToChat();

    StderrToChat(const StderrToChat&) = delete;
    StderrToChat& operator=(const StderrToChat&) = delete;

private:
    class LineBuffer : public std::streambuf {
    public:
        explicit LineBuffer(ChatGUI& front_end) : front_end(front_end) {}
        std::string take_unfinished();

    protected:
        int_type overflow(int_type byte) override;
        std::streamsize xsputn(const char* bytes, std::streamsize count) override;

    private:
        ChatGUI& front_end;
        std::mutex pending_mutex;  // guards pending
        std::string pending;       // written since the last line break
    };

    LineBuffer lines;
    std::streambuf* const saved;
};

}  // namespace qvchat2gui
