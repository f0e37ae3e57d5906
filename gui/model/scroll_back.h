#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "gui/model/chat_text.h"
#include "gui/model/text_store.h"
#include "gui/model/text_wrap.h"
#include "gui/model/time_stamp.h"

namespace qvchat2gui {

// One row of the chat window: a wrapped piece of a received text, with what it needs around it.
struct ShownLine {
    std::string text;  // colour bytes included
    // The text's stamp on its first row, CONTINUED_TEXT on the rows that continue it.
    TimeStamp stamp = NO_STAMP;
    Attention attention = Attention::none;
    // Which received text the row belongs to: texts are numbered in the order they came.
    std::uint64_t text_number = 0;
    // Where the row's own bytes begin in that text; a row that continues a text starting with a
    // colour byte has that byte first, before them.
    std::size_t text_begin = 0;
    bool carries_colour = false;
    bool read_marker = false;  // the row that marks where the lines not yet read begin
};

// What arrived while the view was scrolled back.
struct UnseenCount {
    std::size_t lines = 0;     // texts added
    std::size_t for_user = 0;  // of them, those that call for the user's attention
    std::size_t gone = 0;      // of them, those that left the top of the history since
};

// The chat window's history: the received texts, wrapped for the window's width, and the part of
// it the window shows. Either MAX_LEN display rows are kept (and as many texts, so that a re-wrap
// can fill them again), or a set number of texts, each whole; in either case the oldest also go
// once what is kept would take more than a set number of bytes, so that long texts cannot fill
// the memory. The texts are kept packed; a row's text is made only when it is shown. Not locked:
// the owner guards it.
class ScrollBack {
    struct Position;

public:
    static constexpr std::size_t MAX_LEN = 1000;
    // What the history may take by default: the blocks of text and what is kept for each text.
    static constexpr std::size_t MAX_BYTES = std::size_t{128} * 1024 * 1024;
    // Which view a text belongs to; EVERY_VIEW texts show in every view.
    using ViewTag = std::uint16_t;
    static constexpr ViewTag EVERY_VIEW = 0;

    // Where the view is, to come back to.
    class ViewMark {
        friend class ScrollBack;
        bool following = true;
        std::uint64_t number = 0;
        std::uint32_t row = 0;
        // What was unseen then, and where the texts added since begin.
        UnseenCount unseen;
        std::uint64_t first_unseen = 0;
        std::uint64_t end = 0;
    };

    // columns: width of the terminal; rows: text rows of the chat window. kept_texts: 0 keeps
    // MAX_LEN display rows, else that many texts. max_bytes: the oldest texts go while
    // kept_bytes() is over it; the newest text stays even when it alone is over it.
    ScrollBack(int columns, int rows, std::size_t kept_texts = 0,
               std::size_t max_bytes = MAX_BYTES);

    // Told of each text that falls off the top: its view, whether it was for the user, and
    // whether a newer text had taken its place already.
    using DropListener = std::function<void(ViewTag view, bool for_user, bool folded)>;
    void set_drop_listener(DropListener listener);

    // Wraps the text into display lines. A `stamp` goes before its first line; the text is then
    // wrapped STAMP_WIDTH columns narrower, where the window leaves room for that. While
    // scrolled back the shown lines stay where they are and the text is counted as unseen;
    // otherwise the newest lines are shown.
    void add(std::string_view text, Attention attention = Attention::none,
             TimeStamp stamp = NO_STAMP, ViewTag view = EVERY_VIEW);
    // Keeps a line the user chose not to see (an ignored player's): it takes no row, and is not
    // counted as unseen, until show_ignored(true).
    void add_ignored(std::string_view text, TimeStamp stamp = NO_STAMP);
    // Shows `text` as the newest line in place of the text `earlier`, which is out of sight from
    // then on, whatever is shown: a repeat folded into the line it repeats. False, and nothing
    // changed, when `earlier` is no longer kept or is out of sight for good. The text goes to
    // `view`, or to the earlier text's view.
    bool move_to_newest(std::uint64_t earlier, std::string_view text, Attention attention,
                        TimeStamp stamp, std::optional<ViewTag> view = std::nullopt);
    // Shows or hides the ignored lines, re-wrapping what is kept; the view keeps its place.
    void show_ignored(bool shown);
    // Shows the texts' time stamps or leaves them out (every text keeps the one it came with),
    // re-wrapping what is kept; the view keeps its place.
    void show_stamps(bool shown);
    // Shows only the texts of one view (and those of every view), or all of them (nullopt),
    // re-wrapping what is kept; lines of other views are then out of sight, as ignored ones.
    // The caller puts the view where it wants it afterwards (return_to, follow_newest).
    void show_view(std::optional<ViewTag> view);
    // Keeps that many texts from now on (0: MAX_LEN display rows), dropping the oldest beyond.
    void keep_texts(std::size_t count);
    // The bytes the history takes: the blocks of text and what is kept for each text.
    std::size_t kept_bytes() const;
    // Re-wraps everything kept for a new terminal width and window height. A view scrolled back
    // keeps the row it showed lowest at the bottom, as far as the history reaches, and keeps
    // its count of unseen texts.
    void resize(int columns, int rows);

    void page_up();
    void page_down();
    // Moves the view by a number of display lines.
    void scroll_up(std::size_t lines);
    void scroll_down(std::size_t lines);
    void show_oldest();
    void follow_newest();
    // True while newer lines than the last shown one exist.
    bool is_scrolled_back() const;
    // What came since the view left the newest lines; cleared when it reaches them again.
    UnseenCount unseen() const;

    // Keeps the view where it is while the window shows something else: lines that come are
    // counted as unseen, as while scrolled back.
    void hold_view();
    ViewMark view_mark() const;
    // Shows what the mark showed, as far as it can still be reached.
    void return_to(const ViewMark& mark);

    // The texts that can still be reached are numbered from first_reachable_text() up to, not
    // including, text_end().
    std::uint64_t first_reachable_text() const;
    std::uint64_t text_end() const;
    std::string_view text(std::uint64_t number) const;
    // The text's stamp while stamps are shown, else NO_STAMP.
    TimeStamp shown_stamp(std::uint64_t number) const;
    // The stamp the text came with, shown or not.
    TimeStamp stamp(std::uint64_t number) const;
    // Whether the text is an ignored line kept out of sight now: searches pass over it.
    bool is_out_of_sight(std::uint64_t number) const;
    // Scrolls so that the text is in view, unless it is already: its last row at the bottom.
    void show_text(std::uint64_t number);
    // The text of the lowest row in view.
    std::optional<std::uint64_t> lowest_text_shown() const;

    // The texts that call for the user's attention and can still be reached: the newest before
    // `number`, the oldest after it, and the place of `number` among them (1 for the oldest) with
    // how many there are.
    std::optional<std::uint64_t> for_user_before(std::uint64_t number) const;
    std::optional<std::uint64_t> for_user_after(std::uint64_t number) const;
    std::pair<std::size_t, std::size_t> for_user_place(std::uint64_t number) const;

    // Marks where the lines not yet read begin: the next line kept is preceded by a marker row
    // (an earlier marker goes). The row stays until clear_read_marker().
    void set_read_marker();
    void clear_read_marker();
    // Scrolls so that the marker row is the top row in view; false when there is none.
    bool show_read_marker();

    // Every display line that can be reached, oldest first.
    std::vector<std::string> lines() const;
    // The display lines that fill the window, oldest first: the newest on the lowest row, or
    // from the top when there are fewer lines than rows.
    std::vector<ShownLine> visible_lines() const;

private:
    // Packed into 32 bytes: a million texts keep within the byte bound.
    struct Kept {
        TextStore::Slot slot;
        std::uint32_t rows;  // display rows at the current width, none while out of sight
        // As measured at the current width, in sight or not.
        std::uint32_t wrapped_rows;
        TimeStamp stamp;
        ViewTag view;
        Attention attention;
        bool ignored : 1;
        bool read_marker : 1;
        bool cut : 1;     // into several pieces
        bool blank : 1;   // shows nothing
        bool folded : 1;  // a newer text took its place
    };

    // A display row: the text's number and the row within the text.
    struct Position {
        std::uint64_t number;
        std::uint32_t row;
        bool operator<(const Position& other) const;
        bool operator==(const Position& other) const;
    };

    // A place in the history that outlives a re-wrap: a text and how many of its visible bytes
    // lie up to the end of a row.
    struct Place {
        std::uint64_t text_number;
        std::size_t visible_bytes;
    };

    // How a text is wrapped at the current width.
    struct Layout {
        int width;
        TimeStamp first_stamp;  // the stamp on its first row, NO_STAMP where none fits
    };

    Layout layout_of(TimeStamp stamp) const;
    std::string_view text_of(std::uint64_t number) const;
    const Kept& kept(std::uint64_t number) const;
    Kept& kept(std::uint64_t number);
    // Measures the text at the current width and places its rows.
    void wrap(std::uint64_t number);
    void place_rows(std::uint64_t number);
    // Places the rows of every text as measured, after what is in sight changed.
    void place_all_rows();
    void hide_blank_texts();
    // Takes the text's rows out of the history, the view staying on what it showed.
    void fold_away(std::uint64_t number);
    void rewrap();
    // Re-wraps after `change` altered how the texts are laid out, the view keeping its place.
    template <typename Change>
    void relayout(Change change);
    void keep(std::string_view text, Attention attention, TimeStamp stamp, bool ignored,
              ViewTag view);
    // Out of sight: an ignored text while those are hidden, or a text of a view not shown.
    bool hidden(const Kept& text) const;
    void count_unseen_since(const ViewMark& mark);
    void keep_read_marker();
    void drop_oldest_text();
    void leave_reach(std::uint64_t number);
    void trim();

    std::size_t view_rows() const;
    std::optional<Position> oldest_row() const;
    std::optional<Position> newest_row() const;
    std::uint32_t first_row_of(std::uint64_t number) const;
    // Moves up to `count` rows towards the oldest or the newest row that can be reached.
    Position step_back(Position from, std::size_t count) const;
    Position step_forward(Position from, std::size_t count) const;
    // The lowest row the view may show while scrolled back: the window's height above the oldest.
    std::optional<Position> lowest_view_floor() const;
    // Puts the view's lowest row at `bottom`, within what can be reached; at the newest row the
    // view follows the newest lines again.
    void show_at(Position bottom);
    void set_following();
    Place place_of(Position position) const;
    Position position_of(const Place& place) const;
    // The display rows of a text at the current width: its own text, or the pieces it is cut into.
    std::vector<PieceRange> shown_pieces(std::uint64_t number) const;
    ShownLine shown_line(Position position, const std::vector<PieceRange>& pieces) const;

    int columns;
    int rows;
    std::size_t kept_texts;  // 0: MAX_LEN display rows
    std::size_t max_bytes;
    TextStore store;
    std::deque<Kept> texts;
    DropListener drop_listener;
    std::uint64_t first_number = 0;  // number of texts.front()
    // The oldest row that can be reached; rows before it have left the top but their texts are
    // kept for a re-wrap.
    Position top{0, 0};
    std::size_t reachable_rows = 0;
    // Blank texts shown as a row each: the next text that is cut hides them, as word_wrap does.
    std::deque<std::uint64_t> shown_blank_texts;
    bool following = true;
    bool ignored_shown = false;         // the ignored lines take rows
    std::optional<ViewTag> shown_view;  // nullopt: every text shows
    bool stamps_shown = true;
    Position view_bottom{0, 0};  // the lowest row shown while scrolled back
    UnseenCount unseen_count;
    std::uint64_t first_unseen = 0;  // number of the first text counted in unseen_count
    // The texts that call for the user's attention, in order, from first_number on.
    std::deque<std::uint64_t> for_user_texts;
    bool read_marker_due = false;  // the next text kept gets a marker row before it
    std::optional<std::uint64_t> read_marker_text;
};

}  // namespace qvchat2gui
