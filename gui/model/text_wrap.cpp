#include "gui/model/text_wrap.h"

#include <algorithm>
#include <utility>

#include "gui/model/chat_text.h"

namespace qvchat2gui {

namespace {

// The lowest wrap width; a terminal too narrow for any text gets this.
constexpr int bad_value = 0;

// Takes bytes from start until width visible bytes are held, a newline comes (dropped) or the
// text ends; a full piece with a space gives back what follows its last space. Returns the
// piece and where the next one starts.
std::pair<PieceRange, std::size_t> cut_piece(std::string_view text, std::size_t start,
                                             bool carries_colour, std::size_t width) {
    std::size_t end = start;
    std::size_t visible = 0;
    bool ended_by_newline = false;
    while (end < text.size() && visible < width) {
        const char byte = text[end];
        if (is_newline(byte)) {
            ended_by_newline = true;
            break;
        }
        ++end;
        if (!is_control_character(byte)) {
            ++visible;
        }
    }
    if (ended_by_newline) {
        return {{start, end, carries_colour}, end + 1};
    }
    if (visible == width) {
        const std::string_view taken = text.substr(start, end - start);
        const std::string_view::size_type last_space = taken.rfind(' ');
        if (last_space != std::string_view::npos) {
            return {{start, start + last_space, carries_colour}, start + last_space + 1};
        }
    }
    return {{start, end, carries_colour}, end};
}

}  // namespace

std::size_t display_size(std::string_view text) {
    return static_cast<std::size_t>(std::count_if(
        text.begin(), text.end(), [](char byte) { return !is_control_character(byte); }));
}

bool is_newline(char byte) {
    return byte == '\n' || byte == '\r';
}

bool is_empty_string(std::string_view text) {
    // Settled by the first visible byte.
    return std::all_of(text.begin(), text.end(), is_control_character);
}

int wrap_width(int terminal_columns) {
    return std::max(terminal_columns - 3, bad_value);
}

bool cuts_text(std::string_view text, int width) {
    if (width <= bad_value) {
        return false;
    }
    // A newline always breaks the line: painted, it would take no column and glue the words.
    std::size_t visible = 0;
    for (const char byte : text) {
        if (is_newline(byte)) {
            return true;
        }
        visible += is_control_character(byte) ? 0 : 1;
    }
    return visible >= static_cast<std::size_t>(width);
}

void cut_ranges(std::string_view text, int width, std::vector<PieceRange>& pieces) {
    const auto full_width = static_cast<std::size_t>(width);
    const bool coloured = starts_with_colour(text);
    std::size_t next = 0;
    bool first_piece = true;
    while (next < text.size()) {
        const auto [piece, after] = cut_piece(text, next, coloured && !first_piece, full_width);
        first_piece = false;
        pieces.push_back(piece);
        next = after;
    }
}

std::string piece_text(std::string_view text, const PieceRange& piece) {
    std::string shown;
    shown.reserve(piece.end - piece.begin + 1);
    if (piece.carries_colour) {
        shown += text[0];
    }
    shown.append(text.substr(piece.begin, piece.end - piece.begin));
    return shown;
}

bool is_empty_piece(std::string_view text, const PieceRange& piece) {
    return is_empty_string(text.substr(piece.begin, piece.end - piece.begin));
}

std::size_t piece_display_size(std::string_view text, const PieceRange& piece) {
    return display_size(text.substr(piece.begin, piece.end - piece.begin));
}

void cut_text(std::string_view text, std::vector<std::string>& pieces, int width) {
    std::vector<PieceRange> ranges;
    cut_ranges(text, width, ranges);
    for (const PieceRange& piece : ranges) {
        pieces.push_back(piece_text(text, piece));
    }
}

void word_wrap(const std::string& text, std::vector<std::string>& lines, int width) {
    if (!cuts_text(text, width)) {
        // A terminal too narrow for any column shows nothing of a text that would need cutting.
        if (width > bad_value) {
            lines.push_back(text);
        }
        return;
    }
    cut_text(text, lines, width);
    lines.erase(std::remove_if(lines.begin(), lines.end(), is_empty_string), lines.end());
}

}  // namespace qvchat2gui
