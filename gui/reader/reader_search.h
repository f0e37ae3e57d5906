#pragma once

#include <cstddef>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "gui/model/chat_scan.h"
#include "gui/model/repeat_folder.h"
#include "gui/model/scroll_back.h"

namespace qvchat2gui {

class ChatGUI;

// The lines the reader wrote, kept for #grep as the chat window keeps them, so that a search
// finds the same lines in both front-ends, and for the review (Alt-Up) in the view shown, with
// the time each came (#grep shows none). Any thread adds; a scan or the review reads under the
// lock.
class SearchedLines {
public:
    // kept_texts: as the scrollback setting, 0 for the chat window's default.
    explicit SearchedLines(std::size_t kept_texts);

    // A received line (`received`) is remembered for folding the repeats of it while folding is
    // on.
    // `stamped`: the line gets the time it came; a backlog line carries its own.
    void add(std::string_view line, ScrollBack::ViewTag view = ScrollBack::EVERY_VIEW,
             bool received = false, bool stamped = true);
    // While folding is on, a received line that repeats one of the newest received is folded into
    // it, counted: how often it has come, or nothing when it is no repeat (and is to be added).
    std::optional<std::uint32_t> fold(std::string_view line);
    // fold_repeats: switched off, the lines seen so far are forgotten.
    void fold_repeats(bool on);
    // #grep searches the view shown, and says its name (none for all).
    void show_view(std::optional<ScrollBack::ViewTag> view, const std::string& name);
    std::string view_name() const;
    // #set scrollback: as the chat window keeps its texts.
    void keep(std::size_t kept_texts);
    ChatScan::LockedLines locked();

private:
    mutable std::mutex lines_mutex;  // guards the fields below; a leaf
    ScrollBack lines;
    std::string shown_name;
    bool folding = false;
    RepeatFolder repeats;
};

// "#grep TEXT" for a front-end without a view of found lines: the matching lines are written
// once, oldest first, then a line that counts them; the search runs as ChatGUI::show_search
// runs one, so the keys never wait for it.
void register_written_grep(ChatGUI& gui, SearchedLines& lines);

}  // namespace qvchat2gui
