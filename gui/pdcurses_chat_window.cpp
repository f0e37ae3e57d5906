#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

#include "gui/curses_api.h"
#include "gui/game_cell.h"
#include "gui/pdcurses_gui.h"

// The chat window: its rows, the marks of a search and the note on its lower border.
namespace qvchat2gui {

namespace {

constexpr char SCROLLED_BACK_NOTE[] = " more below: Page Down ";
const std::vector<MatchRange> NO_MARKS;

// " 12 new lines, 2 for you: Page Down ", with "(the oldest 5 gone)" after the lines when some of
// them have left the top of the history since; or the plain note when nothing came since the view
// was scrolled back.
std::string scrolled_back_note(const UnseenCount& unseen) {
    if (unseen.lines == 0) {
        return SCROLLED_BACK_NOTE;
    }
    std::string note =
        " " + std::to_string(unseen.lines) + (unseen.lines == 1 ? " new line" : " new lines");
    if (unseen.gone > 0) {
        note += " (the oldest " + std::to_string(unseen.gone) + " gone)";
    }
    if (unseen.for_user > 0) {
        note += ", " + std::to_string(unseen.for_user) + " for you";
    }
    return note + ": Page Down ";
}

// The note on a window's border, cut to what fits between its corners. It may hold what the user
// typed: every byte is painted as a game byte.
void paint_border_note(WINDOW* window, int row, int inner_width, const std::string& note,
                       short pair) {
    int column = 2;
    for (const char byte : note) {
        if (column >= inner_width) {
            break;
        }
        const cchar_t cell = game_cell(static_cast<unsigned char>(byte), pair);
        mvwadd_wch(window, row, column++, &cell);
    }
}

}  // namespace

// Paint thread, screen lock held.
void PDCursesGUI::redraw_window(const PaintJob& job) {
    const std::vector<ShownLine>& shown = job.chat_lines;
    WINDOW* window = curses->main_window;
    werase(window);
    const short border_pair = color_pairs.at(DEFAULT_COLOR);
    wattrset(window, static_cast<int>(COLOR_PAIR(border_pair)));
    box(window, 0, 0);
    const int inner_width = getmaxx(window) - 2;
    const int rows = std::max(main_height - 2, 0);
    // The note starts two columns in and ends before the corner.
    paint_border_note(window, 0, inner_width,
                      job.views_note.fitted(static_cast<std::size_t>(std::max(inner_width - 2, 0))),
                      border_pair);
    if (!job.view_note.empty()) {
        paint_border_note(window, main_height - 1, inner_width, job.view_note, border_pair);
    } else if (job.scrolled_back) {
        // The count where it fits, else the plain note where that fits.
        const std::string count = scrolled_back_note(job.unseen);
        paint_border_note(window, main_height - 1, inner_width,
                          inner_width > static_cast<int>(count.size()) ? count : SCROLLED_BACK_NOTE,
                          border_pair);
    }
    // The newest lines go to the lowest rows when there are more than fit.
    const std::size_t first =
        shown.size() > static_cast<std::size_t>(rows) ? shown.size() - rows : 0;
    int row = 1;
    for (std::size_t index = first; index < shown.size(); ++index) {
        paint_chat_line(row++, shown[index], inner_width,
                        job.jumped_text == shown[index].text_number,
                        index < job.marks.size() ? job.marks[index] : NO_MARKS,
                        job.current_match == shown[index].text_number);
    }
    wnoutrefresh(window);
}

// Screen lock held. The time stamp comes first, in grey. Colour bytes switch the colour; other
// control bytes are not painted and take no column, like everything beyond the window's width.
// Every other byte takes one column and goes through the wide-character call, so that a Latin-1
// letter reaches the terminal in the terminal's own encoding. The parts a search found are in
// reverse video, those of the search's current match also bold and underlined; a line Alt-P or
// Alt-N went to is reversed and underlined whole, so that it stands out also where it is reversed
// already.
void PDCursesGUI::paint_chat_line(int row, const ShownLine& line, int inner_width, bool jumped_to,
                                  const std::vector<MatchRange>& marks, bool current_match) {
    WINDOW* window = curses->main_window;
    if (line.read_marker) {
        paint_read_marker(row, inner_width);
        return;
    }
    int column = 1;
    for (const char byte : stamp_text(line.stamp)) {
        if (column <= inner_width) {
            const cchar_t cell = game_cell(static_cast<unsigned char>(byte), stamp_pair);
            mvwadd_wch(window, row, column++, &cell);
        }
    }
    RowStyle style(color_pairs, line.attention);
    auto mark = marks.begin();
    for (std::size_t index = 0; index < line.text.size(); ++index) {
        const char byte = line.text[index];
        if (!style.take_colour(byte) && !is_control_character(byte) && column <= inner_width) {
            while (mark != marks.end() && mark->end <= index) {
                ++mark;
            }
            const bool marked = mark != marks.end() && mark->begin <= index;
            attr_t attributes = marked ? style.attributes() ^ A_REVERSE : style.attributes();
            if (marked && current_match) {
                attributes |= A_BOLD | A_UNDERLINE;
            }
            if (jumped_to) {
                attributes |= A_REVERSE | A_UNDERLINE;
            }
            const cchar_t cell =
                game_cell(static_cast<unsigned char>(byte), style.pair(), attributes);
            mvwadd_wch(window, row, column++, &cell);
        }
    }
}

// Screen lock held. "─── new ───" across the window, in grey.
void PDCursesGUI::paint_read_marker(int row, int inner_width) {
    WINDOW* window = curses->main_window;
    wattrset(window, static_cast<int>(COLOR_PAIR(stamp_pair)));
    mvwhline(window, row, 1, ACS_HLINE, inner_width);
    constexpr char LABEL[] = " new ";
    constexpr int LABEL_COLUMN = 4;
    if (inner_width > LABEL_COLUMN + static_cast<int>(sizeof LABEL)) {
        mvwaddstr(window, row, LABEL_COLUMN, LABEL);
    }
    wattrset(window, A_NORMAL);
}

}  // namespace qvchat2gui
