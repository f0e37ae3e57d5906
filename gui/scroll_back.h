#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <vector>

namespace qvchat2gui {

// The chat window's history: every received text and its wrapped display lines, bounded at
// MAX_LEN display lines, and the part of it the window shows. Not locked: the owner guards it.
class ScrollBack {
public:
    static constexpr std::size_t MAX_LEN = 1000;

    // columns: width of the terminal; rows: text rows of the chat window.
    ScrollBack(int columns, int rows);

    // Wraps the text into display lines. While scrolled back the shown lines stay where they
    // are; otherwise the newest lines are shown.
    void add(const std::string& text);
    // Re-wraps everything kept for a new terminal width and window height.
    void resize(int columns, int rows);

    void page_up();
    void page_down();
    void follow_newest();
    // True while newer lines than the last shown one exist.
    bool is_scrolled_back() const;

    // Every kept display line, oldest first.
    std::vector<std::string> lines() const;
    // The display lines that fill the window, oldest first: the newest on the lowest row, or
    // from the top when there are fewer lines than rows.
    std::vector<std::string> visible_lines() const;

private:
    std::size_t view_rows() const;
    std::size_t max_offset() const;
    void append_wrapped(const std::string& text);
    void trim();

    int columns;
    int rows;
    std::deque<std::string> received;  // texts as given to add(), for re-wrapping
    // Wrapped lines, oldest first; a deque, as the oldest leave one by one while a flood comes.
    std::deque<std::string> display;
    std::size_t blank_lines = 0;      // lines of display that show nothing
    std::vector<std::string> pieces;  // wrapped lines of one text, before they join display
    std::size_t offset = 0;           // display lines below the lowest shown one
};

}  // namespace qvchat2gui
