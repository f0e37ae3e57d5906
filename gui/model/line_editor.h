#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "gui/model/input_history.h"
#include "gui/model/key_codes.h"
#include "gui/model/paste_collector.h"
#include "gui/model/tab_completion.h"

namespace qvchat2gui {

// The one-line editor of the input window: the line, its history and the cursor, with
// horizontal scrolling, readline's editing keys, history search, Tab completion and pastes held
// for confirmation. Knows nothing of the screen: keys come in as the codes of key_codes.h, the
// front-end paints visible_text() and puts the cursor at cursor_column().
//
// A line longer than the window shows its last inner-width bytes while the cursor is among
// them; moving the cursor past the left edge scrolls the line, so the cursor is always shown.
//
// Alt-Enter breaks the entry into several lines (entry_lines.h), sent one after another on Enter
// and kept in the history as one entry; Up and Down go from line to line inside it, Home and End
// to the ends of the cursor's line.
class LineEditor {
public:
    // What the front-end has to do after a key, besides repainting the line.
    enum class Outcome {
        edited,
        submitted,
        page_up,
        page_down,
        show_oldest,
        show_newest,
        resized,
        repaint
    };

    // Applies one key for a window with inner_width columns inside its box. Submitted lines are
    // in submitted_lines() until the next key.
    Outcome handle_key(int key, int inner_width);
    // Fits the view to a new inner width (after a terminal resize), keeping the cursor's byte.
    void fit_to_width(int inner_width);
    // Whether a bracketed paste is being read: its end may never come, so the front-end ends it
    // with end_paste() after a silence.
    bool pasting() const;
    void end_paste();
    // Whether a history search (Ctrl-R) or a paste held for confirmation waits for the user:
    // Esc and Ctrl-G then cancel it.
    bool prompt_open() const;

    void set_completion_sources(CompletionSources sources);
    // Whether Up and Down put the cursor at the end of the line they show, where someone who
    // cannot see the line expects it; by default it keeps its column.
    void set_history_cursor_at_end(bool at_end);
    // Replaces the history (a saved one) and starts a new line behind it.
    void set_history(std::vector<std::string> entries);

    const std::string& line() const;
    const std::vector<std::string>& submitted_lines() const;
    const std::vector<std::string>& history() const;
    std::size_t history_position() const;
    // The text shown in the box, as wide as the inner width of the last key or fit: part of
    // the line, or the prompt of a history search or of a held paste.
    std::string visible_text() const;
    // Column of the cursor inside the box; 1 is the first byte shown.
    int cursor_column() const;
    // Whether the line goes on to the left of visible_text().
    bool scrolled_sideways() const;
    // The rows of the input box: visible_text() alone for an entry of one line; for an entry of
    // several (Alt-Enter), its lines, at most MAX_ENTRY_ROWS of them around the cursor's line,
    // each as wide as the inner width, the cursor's line shown as visible_text() shows it.
    std::vector<std::string> visible_rows() const;
    // How many rows visible_rows() gives, without making them.
    std::size_t box_rows() const;
    // Row of the cursor among visible_rows(); 0 is the first.
    int cursor_row() const;
    // The byte of line() that the cursor stands before, and the entry put in place of the one
    // typed (a spelling suggestion), the cursor at `cursor`.
    std::size_t cursor_position() const;
    void replace_entry(const std::string& entry, std::size_t cursor);
    // The byte of line() that each of visible_rows() shows first; none while the box shows a
    // prompt (a history search, a held paste) in place of the entry.
    std::vector<std::size_t> visible_row_starts() const;
    // How many lines the entry has, and which of them holds the cursor (0 is the first).
    std::size_t entry_lines() const;
    std::size_t cursor_line() const;

private:
    // A search back through the history as the user types (Ctrl-R).
    struct Search {
        bool active = false;
        std::string text;
        std::string line_before;
        std::size_t cursor_before = 0;
        bool found = false;
        std::size_t entry = 0;
    };

    Outcome handle_editing_key(int key);
    Outcome handle_held_paste(int key);
    bool handle_search_key(int key);
    void search_from(std::size_t entry);
    std::string search_prompt() const;

    void submit_line();
    void walk_history(bool older);
    void show_history_entry(const std::string& entry);
    void insert(const std::string& text);
    void erase_before_cursor();
    void cut(std::size_t from, std::size_t to);
    std::size_t word_start_before(std::size_t position) const;
    std::size_t word_end_after(std::size_t position) const;

    std::size_t tail_offset(std::size_t shown_width) const;
    // The bytes of the line of the entry that a row shows from `start` on.
    std::string shown_from(std::size_t start) const;
    void settle_view(bool was_at_tail);

    std::string input_line;
    std::size_t cursor = 0;       // edit position: the byte the next key goes before
    std::size_t view_offset = 0;  // first byte shown of the cursor's line
    std::size_t first_row = 0;    // first line of the entry shown
    std::size_t width = 0;        // inner width of the last key
    bool inserted = false;        // the last key put text before the cursor
    std::string cut_text;
    std::vector<std::string> submitted;
    InputHistory input_history;
    std::size_t draft_cursor = 0;  // where the cursor stood when the walk left the draft
    bool history_cursor_at_end = false;
    Search search;
    TabCompletion completion;
    CompletionSources completion_sources;
    bool paste_open = false;
    PasteCollector paste;
    std::vector<std::string> held_paste;
};

}  // namespace qvchat2gui
