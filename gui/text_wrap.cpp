#include "gui/text_wrap.h"

#include <algorithm>
#include <utility>

#include "gui/common_gui.h"

namespace qvchat2gui {

namespace {

// The lowest wrap width; a terminal too narrow for any text gets this.
constexpr int bad_value = 0;

struct Piece {
    std::string text;
    std::size_t next;  // index in the whole text where the following piece starts
};

// Takes bytes from start until width visible bytes are held, a newline comes (dropped) or the
// text ends; a full piece with a space gives back what follows its last space. The end is found
// first and the piece copied in one go: every long line of a flood comes through here.
Piece cut_piece(const std::string& text, std::size_t start, const std::string& carried,
                std::size_t width) {
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
    Piece piece{std::string(), ended_by_newline ? end + 1 : end};
    piece.text.reserve(carried.size() + (end - start));
    piece.text.append(carried).append(text, start, end - start);
    if (!ended_by_newline && visible == width) {
        const std::string::size_type last_space = piece.text.rfind(' ');
        if (last_space != std::string::npos) {
            piece.next = start + (last_space - carried.size()) + 1;
            piece.text.erase(last_space);
        }
    }
    return piece;
}

}  // namespace

std::size_t display_size(const std::string& text) {
    return static_cast<std::size_t>(std::count_if(
        text.begin(), text.end(), [](char byte) { return !is_control_character(byte); }));
}

bool is_newline(char byte) {
    return byte == '\n' || byte == '\r';
}

bool is_empty_string(const std::string& text) {
    // Settled by the first visible byte: word_wrap asks this of every line of the scroll-back.
    return std::all_of(text.begin(), text.end(), is_control_character);
}

int wrap_width(int terminal_columns) {
    return std::max(terminal_columns - 3, bad_value);
}

bool cuts_text(const std::string& text, int width) {
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

void cut_text(const std::string& text, std::vector<std::string>& pieces, int width) {
    const auto full_width = static_cast<std::size_t>(width);
    std::string carried;
    if (!text.empty() && text[0] != '\0' && is_control_character(text[0])) {
        carried = text.substr(0, 1);
    }
    std::size_t next = 0;
    bool first_piece = true;
    while (next < text.size()) {
        Piece piece = cut_piece(text, next, first_piece ? std::string() : carried, full_width);
        first_piece = false;
        pieces.push_back(std::move(piece.text));
        next = piece.next;
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
