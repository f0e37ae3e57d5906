#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace qvchat2gui {

// An entry of several lines (Alt-Enter) is one string with a line break between its lines: a
// byte no key types into a line, so it can only mean that.
constexpr char ENTRY_LINE_BREAK = '\n';
// The most rows the input box grows to for such an entry; beyond, it scrolls.
constexpr std::size_t MAX_ENTRY_ROWS = 5;
// How a line break is shown where an entry is shown on one row (the history search): the pilcrow,
// a Latin-1 character.
constexpr char SHOWN_LINE_BREAK = '\xB6';

// The first byte of the line that holds `position`, and the end of that line (its break, or the
// end of the entry).
std::size_t entry_line_start(const std::string& entry, std::size_t position);
std::size_t entry_line_end(const std::string& entry, std::size_t position);
// The index of the line that holds `position`, and how many lines the entry has (one at least).
std::size_t entry_line_index(const std::string& entry, std::size_t position);
std::size_t entry_line_count(const std::string& entry);

// The position Up or Down moves to inside the entry: the same column on the line above or below,
// or its end when that line is shorter. Nothing on the first line (Up) or the last (Down), where
// the keys walk the history instead.
std::optional<std::size_t> position_on_adjacent_line(const std::string& entry, std::size_t position,
                                                     bool above);

// The lines an entry sends, in order, each as its own message. A one-line entry is sent as it
// is, an empty one too (Enter on an empty line); of several lines, the empty ones send nothing.
std::vector<std::string> entry_lines_to_send(const std::string& entry);

// The entry on one row, its line breaks shown as SHOWN_LINE_BREAK.
std::string entry_on_one_row(std::string entry);

}  // namespace qvchat2gui
