#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "gui/common_gui.h"
#include "gui/time_stamp.h"

namespace qvchat2gui {

// One row of the chat window: a wrapped piece of a received text, with what it needs around it.
struct ShownLine {
    std::string text;  // colour bytes included
    // The text's stamp on its first row, CONTINUED_TEXT on the rows that continue it.
    TimeStamp stamp = NO_STAMP;
    Attention attention = Attention::none;
    // Which received text the row belongs to: texts are numbered in the order they came.
    std::uint64_t text_number = 0;
};

// What arrived while the view was scrolled back.
struct UnseenCount {
    std::size_t lines = 0;     // texts added
    std::size_t for_user = 0;  // of them, those that call for the user's attention
};

// The chat window's history: every received text and its wrapped display lines, bounded at
// MAX_LEN display lines, and the part of it the window shows. Not locked: the owner guards it.
class ScrollBack {
public:
    static constexpr std::size_t MAX_LEN = 1000;

    // columns: width of the terminal; rows: text rows of the chat window.
    ScrollBack(int columns, int rows);

    // Wraps the text into display lines. A `stamp` goes before its first line; the text is then
    // wrapped STAMP_WIDTH columns narrower, where the window leaves room for that. While
    // scrolled back the shown lines stay where they are and the text is counted as unseen;
    // otherwise the newest lines are shown.
    void add(const std::string& text, Attention attention = Attention::none,
             TimeStamp stamp = NO_STAMP);
    // Re-wraps everything kept for a new terminal width and window height. A view scrolled back
    // keeps the row it showed lowest at the bottom, as far as the history reaches, and keeps
    // its count of unseen texts.
    void resize(int columns, int rows);

    void page_up();
    void page_down();
    // Moves the view by a number of display lines.
    void scroll_up(std::size_t lines);
    void scroll_down(std::size_t lines);
    void follow_newest();
    // True while newer lines than the last shown one exist.
    bool is_scrolled_back() const;
    // What came since the view left the newest lines; cleared when it reaches them again.
    UnseenCount unseen() const;

    // Every kept display line, oldest first.
    std::vector<std::string> lines() const;
    // The display lines that fill the window, oldest first: the newest on the lowest row, or
    // from the top when there are fewer lines than rows.
    std::vector<ShownLine> visible_lines() const;

private:
    struct Received {
        std::string text;
        Attention attention;
        TimeStamp stamp;
        std::uint64_t number;
    };

    // A place in the history that outlives a re-wrap: a text and how many of its visible bytes
    // lie up to the end of a row.
    struct Place {
        std::uint64_t text_number;
        std::size_t visible_bytes;
    };

    std::size_t view_rows() const;
    std::size_t max_offset() const;
    Place lowest_shown_place() const;
    std::size_t row_of(const Place& place) const;
    void append_wrapped(const Received& received_text);
    void remove_blank_lines();
    void trim();
    void set_offset(std::size_t new_offset);

    int columns;
    int rows;
    std::deque<Received> received;  // texts as given to add(), for re-wrapping
    std::uint64_t next_text_number = 0;
    // Wrapped lines, oldest first; a deque, as the oldest leave one by one while a flood comes.
    std::deque<ShownLine> display;
    std::size_t blank_lines = 0;      // lines of display that show nothing
    std::vector<std::string> pieces;  // wrapped lines of one text, before they join display
    std::size_t offset = 0;           // display lines below the lowest shown one
    UnseenCount unseen_count;
};

}  // namespace qvchat2gui
