#include <array>
#include <optional>
#include <string>

#include "gui/curses_api.h"
#include "gui/game_cell.h"
#include "gui/model/time_stamp.h"
#include "gui/model/url_commands.h"
#include "gui/pdcurses_gui.h"
#include "gui/terminal_modes.h"

// Links in the chat: URLs painted as OSC 8 hyperlinks, so that a terminal that knows them opens
// one with a click even where it is wrapped, and #urls and #copy.
namespace qvchat2gui {

namespace {

constexpr std::size_t LISTED_URLS = RecentUrls::CAPACITY;

// Where vid_puts writes: it takes a plain function, called on the paint thread alone.
thread_local std::string* style_output = nullptr;

int append_style_byte(int byte) {
    style_output->push_back(static_cast<char>(byte));
    return byte;
}

// The terminal's own sequence for attributes and a colour pair, as curses writes it; curses
// then takes them as the terminal's current ones.
void append_style(std::string& out, attr_t attributes, short pair) {
    style_output = &out;
    vid_puts(attributes, pair, nullptr, append_style_byte);
    style_output = nullptr;
}

struct CellStyle {
    attr_t attributes;
    short pair;
    bool operator==(const CellStyle& other) const {
        return attributes == other.attributes && pair == other.pair;
    }
    bool operator!=(const CellStyle& other) const { return !(*this == other); }
};

// The style curses holds for a cell of `window`.
CellStyle cell_style(WINDOW* window, int row, int column) {
    cchar_t cell{};
    mvwin_wch(window, row, column, &cell);
    std::array<wchar_t, CCHARW_MAX + 1> characters{};
    CellStyle style{A_NORMAL, 0};
    getcchar(&cell, characters.data(), &style.attributes, &style.pair, nullptr);
    return style;
}

// Moves the cursor to a cell of the screen, counted from 0.
std::string cursor_to(int row, int column) {
    return "\033[" + std::to_string(row + 1) + ";" + std::to_string(column + 1) + "H";
}

}  // namespace

// redraw_mutex held: for each row, its parts that belong to a URL of its text. A URL is found in
// the whole text, so that each row of a wrapped one links to all of it.
void PDCursesGUI::take_links(PaintJob& job, const ScrollBack& lines) {
    job.links.assign(job.chat_lines.size(), {});
    std::vector<MatchRange> urls;
    std::optional<std::uint64_t> urls_of;
    for (std::size_t row = 0; row < job.chat_lines.size(); ++row) {
        const ShownLine& line = job.chat_lines[row];
        const std::string_view text = lines.text(line.text_number);
        if (urls_of != line.text_number) {
            urls = find_urls(text);
            urls_of = line.text_number;
        }
        const std::size_t carried = line.carries_colour ? 1 : 0;
        const std::size_t row_end = line.text_begin + line.text.size() - carried;
        for (const MatchRange& url : urls) {
            const std::size_t begin = std::max(url.begin, line.text_begin);
            const std::size_t end = std::min(url.end, row_end);
            if (begin < end) {
                job.links[row].push_back(
                    {begin - line.text_begin + carried, end - line.text_begin + carried,
                     link_target(text.substr(url.begin, url.end - url.begin))});
            }
        }
    }
}

// Paint thread, screen lock held, after curses wrote the chat window. Each link's cells are
// written again between OSC 8 sequences, each in the style curses gave it (search marks and the
// line Alt-P or Alt-N went to included), and the cursor goes back to the input line.
void PDCursesGUI::paint_links(const PaintJob& job) {
    if (!paints_links) {
        return;
    }
    WINDOW* window = curses->main_window;
    const int inner_width = getmaxx(window) - 2;
    const auto rows = static_cast<std::size_t>(std::max(main_height - 2, 0));
    const std::size_t first = job.chat_lines.size() > rows ? job.chat_lines.size() - rows : 0;
    std::string out;
    for (std::size_t index = first; index < job.links.size(); ++index) {
        const ShownLine& line = job.chat_lines[index];
        const int row = 1 + static_cast<int>(index - first);
        for (const RowLink& link : job.links[index]) {
            // The same walk as paint_chat_line: control bytes take no column, others one each.
            int column = 1 + static_cast<int>(stamp_text(line.stamp).size());
            std::optional<CellStyle> written;
            for (std::size_t at = 0; at < link.end && at < line.text.size(); ++at) {
                const char byte = line.text[at];
                if (is_control_character(byte)) {
                    continue;
                }
                if (at >= link.begin && column <= inner_width) {
                    const CellStyle style = cell_style(window, row, column);
                    if (!written) {
                        out += cursor_to(getbegy(window) + row, getbegx(window) + column);
                        append_style(out, style.attributes, style.pair);
                        out += hyperlink_open(link.target);
                    } else if (style != *written) {
                        append_style(out, style.attributes, style.pair);
                    }
                    written = style;
                    out += byte;
                }
                ++column;
            }
            if (written) {
                out += hyperlink_close();
            }
        }
    }
    if (out.empty()) {
        return;
    }
    append_style(out, A_NORMAL, 0);
    WINDOW* input = curses->input_window;
    out +=
        cursor_to(getbegy(input) + 1 + painted_cursor_row, getbegx(input) + painted_cursor_column);
    write_to_terminal(out);
}

void PDCursesGUI::list_urls(const std::string& /*argument*/) {
    for (const std::string& line : url_list_lines(recent_urls.newest(LISTED_URLS))) {
        store_line(line);
    }
}

void PDCursesGUI::copy_url(const std::string& argument) {
    const UrlCopy copy = url_to_copy(recent_urls.newest(LISTED_URLS), argument);
    if (copy.url) {
        {
            const boost::lock_guard<boost::mutex> lock(redraw_mutex);
            clipboard_text = *copy.url;
        }
        queue_paint(&PaintRequest::input_line);
    }
    store_line(copy.answer);
}

}  // namespace qvchat2gui
