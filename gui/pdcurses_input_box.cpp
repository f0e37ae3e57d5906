// The input box of the full screen: its rows as the paint thread is to show them, with the
// misspelt words underlined and what Alt-S suggests on its border.
#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "gui/curses_api.h"
#include "gui/game_cell.h"
#include "gui/model/latin1_text.h"
#include "gui/pdcurses_gui.h"

namespace qvchat2gui {

namespace {

// The parts of `ranges` (bytes of the entry) that a row showing `length` bytes from `start`
// shows, as bytes of the row's text, which has `lead` bytes before them.
std::vector<MatchRange> shown_ranges(const std::vector<MatchRange>& ranges, std::size_t start,
                                     std::size_t length, std::size_t lead) {
    std::vector<MatchRange> shown;
    for (const MatchRange& range : ranges) {
        const std::size_t begin = std::max(range.begin, start);
        const std::size_t end = std::min(range.end, start + length);
        if (begin < end) {
            shown.push_back({begin - start + lead, end - start + lead});
        }
    }
    return shown;
}

bool within_any(const std::vector<MatchRange>& ranges, std::size_t column) {
    return std::any_of(ranges.begin(), ranges.end(), [column](const MatchRange& range) {
        return column >= range.begin && column < range.end;
    });
}

}  // namespace

// Input thread: hands the line as it is to be shown to the paint thread. An entry that needs
// more or fewer rows than the box has lays the windows out again first.
void PDCursesGUI::show_input_line() {
    if (static_cast<int>(editor.box_rows()) != input_rows_asked) {
        handle_resize();
        return;
    }
    InputView view = input_box_view();
    {
        const boost::lock_guard<boost::mutex> lock(redraw_mutex);
        input_view = std::move(view);
        redraw_pending.input_line = true;
    }
    redraw_cond.notify_one();
}

// Input thread. The prefix of a view stands before the first line; the rows a small terminal
// cannot give are those furthest from the cursor.
InputView PDCursesGUI::input_box_view() {
    const std::vector<std::string> rows = editor.visible_rows();
    const std::vector<std::size_t> starts = editor.visible_row_starts();
    const std::vector<MatchRange> misspelt =
        starts.empty() ? std::vector<MatchRange>() : input_spelling().marks(editor.line());
    const int cursor_row = editor.cursor_row();
    const int first = std::max(cursor_row - input_box_rows + 1, 0);
    InputView view{{},
                   cursor_row - first,
                   static_cast<int>(input_prefix.size()) + editor.cursor_column(),
                   {},
                   input_note};
    for (int row = first; row < static_cast<int>(rows.size()) && row < first + input_box_rows;
         ++row) {
        const auto index = static_cast<std::size_t>(row);
        const std::string lead = row == 0 ? input_prefix : std::string(input_prefix.size(), ' ');
        view.rows.push_back(lead + rows[index]);
        view.underlined.push_back(
            index < starts.size()
                ? shown_ranges(misspelt, starts[index], rows[index].size(), lead.size())
                : std::vector<MatchRange>());
    }
    return view;
}

// Input thread. The suggestion goes into the line, and what it says onto the box's border.
void PDCursesGUI::suggest_spelling() {
    const std::optional<SpellEdit> edit =
        input_spelling().suggest(editor.line(), editor.cursor_position());
    if (!edit) {
        return;
    }
    editor.replace_entry(edit->line, edit->cursor);
    input_note = edit->message;
    show_input_line();
}

// Paint thread, screen lock held.
void PDCursesGUI::redraw_input_window(const InputView& input) {
    WINDOW* window = curses->input_window;
    werase(window);
    box(window, 0, 0);
    const int width = getmaxx(window);
    if (!input.note.empty() && width > 4) {
        wmove(window, 0, 2);
        const std::string note =
            (" " + input.note + " ").substr(0, static_cast<std::size_t>(width - 4));
        for (const char byte : note) {
            const cchar_t cell = game_cell(static_cast<unsigned char>(byte), 0);
            wadd_wch(window, &cell);
        }
    }
    const int box_rows = getmaxy(window) - 2;
    for (int row = 0; row < static_cast<int>(input.rows.size()) && row < box_rows; ++row) {
        const auto index = static_cast<std::size_t>(row);
        const std::string& text = input.rows[index];
        wmove(window, 1 + row, 1);
        for (std::size_t column = 0; column < text.size(); ++column) {
            const bool marked =
                index < input.underlined.size() && within_any(input.underlined[index], column);
            const cchar_t cell = game_cell(static_cast<unsigned char>(text[column]), 0,
                                           marked ? A_UNDERLINE : A_NORMAL);
            wadd_wch(window, &cell);
        }
    }
    painted_cursor_row = std::clamp(input.cursor_row, 0, std::max(box_rows - 1, 0));
    painted_cursor_column = input.cursor_column;
    wnoutrefresh(window);
}

}  // namespace qvchat2gui
