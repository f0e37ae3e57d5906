#pragma once

#include <cstddef>
#include <mutex>
#include <string_view>

#include "gui/model/chat_scan.h"
#include "gui/model/scroll_back.h"

namespace qvchat2gui {

class ChatGUI;

// The lines the reader wrote, kept for #grep as the chat window keeps them, so that a search
// finds the same lines in both front-ends. Any thread adds; a scan reads under the lock.
class SearchedLines {
public:
    // kept_texts: as the scrollback setting, 0 for the chat window's default.
    explicit SearchedLines(std::size_t kept_texts);

    void add(std::string_view line);
    // #set scrollback: as the chat window keeps its texts.
    void keep(std::size_t kept_texts);
    ChatScan::LockedLines locked();

private:
    std::mutex lines_mutex;  // guards lines; a leaf
    ScrollBack lines;
};

// "#grep TEXT" for a front-end without a view of found lines: the matching lines are written
// once, oldest first, then a line that counts them; the search runs as ChatGUI::show_search
// runs one, so the keys never wait for it.
void register_written_grep(ChatGUI& gui, SearchedLines& lines);

}  // namespace qvchat2gui
