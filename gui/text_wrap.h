#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace qvchat2gui {

// Number of bytes that take a screen column (those that are not control characters).
std::size_t display_size(const std::string& text);
bool is_newline(char byte);
// True when nothing of the text takes a column.
bool is_empty_string(const std::string& text);

// Wrap width for a terminal of the given columns: the chat window's inner width less one
// column kept free at the right, never below 0.
int wrap_width(int terminal_columns);

// Whether word_wrap cuts the text into pieces (and so also removes the blank lines of the list)
// rather than appending it whole.
bool cuts_text(const std::string& text, int width);
// Appends the pieces word_wrap cuts a text into to `pieces`, blank ones included; for a text
// that cuts_text says is cut.
void cut_text(const std::string& text, std::vector<std::string>& pieces, int width);

// Appends the text to lines: whole when it shows fewer than width bytes and holds no newline,
// else cut into pieces of at most width visible bytes, at the last space of a full piece and
// at newlines (which are dropped). Continuation pieces start with the text's leading control byte
// so that they keep its colour. After cutting, every line of the whole list that shows nothing is
// removed.
void word_wrap(const std::string& text, std::vector<std::string>& lines, int width);

}  // namespace qvchat2gui
