// The pane above the chat window: the newest lines for the user, each with its time and its view,
// whatever view the chat shows and however fast other lines come (setting `pane`).
#include <algorithm>
#include <string>

#include "gui/curses_api.h"
#include "gui/game_cell.h"
#include "gui/model/chat_text.h"
#include "gui/pdcurses_gui.h"

namespace qvchat2gui {

void PDCursesGUI::keep_for_pane(const std::string& line, Attention attention, TimeStamp stamp,
                                ScrollBack::ViewTag view) {
    pane_lines.push_back({stamp, chat_views.name(ChatViews::Choice{view}), line, attention});
    while (pane_lines.size() > static_cast<std::size_t>(MOST_PANE_ROWS)) {
        pane_lines.pop_front();
    }
}

void PDCursesGUI::redraw_pane(const PaintJob& job) {
    WINDOW* window = curses->pane_window;
    if (window == nullptr) {
        return;
    }
    werase(window);
    const int width = getmaxx(window) - 1;
    const std::size_t rows = static_cast<std::size_t>(getmaxy(window));
    const std::size_t first = job.pane_lines.size() > rows ? job.pane_lines.size() - rows : 0;
    int row = static_cast<int>(rows) - static_cast<int>(job.pane_lines.size() - first);
    for (std::size_t index = first; index < job.pane_lines.size(); ++index, ++row) {
        const PaneLine& line = job.pane_lines[index];
        int column = 1;
        // The time and the view in grey, as a time stamp is.
        for (const char byte : stamp_text(line.stamp) + line.view + ": ") {
            if (column < width) {
                const cchar_t cell = game_cell(static_cast<unsigned char>(byte), stamp_pair);
                mvwadd_wch(window, row, column++, &cell);
            }
        }
        RowStyle style(color_pairs, line.attention);
        for (const char byte : line.text) {
            if (!style.take_colour(byte) && !is_control_character(byte) && column < width) {
                const cchar_t cell =
                    game_cell(static_cast<unsigned char>(byte), style.pair(), style.attributes());
                mvwadd_wch(window, row, column++, &cell);
            }
        }
    }
    wnoutrefresh(window);
}

}  // namespace qvchat2gui
