#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace qvchat2gui {

// Number of bytes that take a screen column (those that are not control characters).
std::size_t display_size(std::string_view text);
bool is_newline(char byte);
// True when nothing of the text takes a column.
bool is_empty_string(std::string_view text);

// Wrap width for a terminal of the given columns: the chat window's inner width less one
// column kept free at the right, never below 0.
int wrap_width(int terminal_columns);

// Whether word_wrap cuts the text into pieces (and so also removes the blank lines of the list)
// rather than appending it whole.
bool cuts_text(std::string_view text, int width);

// One piece of a cut text: the text's leading colour byte when it carries it (every piece but
// the first does, when the text starts with one), then the bytes [begin, end) of the text.
struct PieceRange {
    std::size_t begin;
    std::size_t end;
    bool carries_colour;
};
// Appends where word_wrap cuts a text into pieces to `pieces`, blank ones included; for a text
// that cuts_text says is cut. Nothing is copied: the scroll-back makes the text of a piece
// only for the rows it paints.
void cut_ranges(std::string_view text, int width, std::vector<PieceRange>& pieces);
std::string piece_text(std::string_view text, const PieceRange& piece);
// True when nothing of the piece takes a column.
bool is_empty_piece(std::string_view text, const PieceRange& piece);
std::size_t piece_display_size(std::string_view text, const PieceRange& piece);
// Appends the texts of the pieces that cut_ranges gives to `pieces`.
void cut_text(std::string_view text, std::vector<std::string>& pieces, int width);

// Appends the text to lines: whole when it shows fewer than width bytes and holds no newline,
// else cut into pieces of at most width visible bytes, at the last space of a full piece and
// at newlines (which are dropped). Continuation pieces start with the text's leading control byte
// so that they keep its colour. After cutting, every line of the whole list that shows nothing is
// removed.
void word_wrap(const std::string& text, std::vector<std::string>& lines, int width);

}  // namespace qvchat2gui
