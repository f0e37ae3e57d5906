#include "gui/model/entry_lines.h"

#include <string.h>

#include <algorithm>

namespace qvchat2gui {

// Each is a search for the line break (memchr, memrchr), never a loop over the bytes: they run
// at every key, and a one-line entry of any length then costs one call.
std::size_t entry_line_start(const std::string& entry, std::size_t position) {
    position = std::min(position, entry.size());
    const void* previous_break = ::memrchr(entry.data(), ENTRY_LINE_BREAK, position);
    return previous_break == nullptr
               ? 0
               : static_cast<std::size_t>(static_cast<const char*>(previous_break) - entry.data()) +
                     1;
}

std::size_t entry_line_end(const std::string& entry, std::size_t position) {
    const std::size_t next_break = entry.find(ENTRY_LINE_BREAK, std::min(position, entry.size()));
    return next_break == std::string::npos ? entry.size() : next_break;
}

std::size_t entry_line_index(const std::string& entry, std::size_t position) {
    std::size_t breaks = 0;
    for (std::size_t found = entry.find(ENTRY_LINE_BREAK);
         found != std::string::npos && found < position;
         found = entry.find(ENTRY_LINE_BREAK, found + 1)) {
        ++breaks;
    }
    return breaks;
}

std::size_t entry_line_count(const std::string& entry) {
    return entry_line_index(entry, entry.size()) + 1;
}

std::optional<std::size_t> position_on_adjacent_line(const std::string& entry, std::size_t position,
                                                     bool above) {
    const std::size_t start = entry_line_start(entry, position);
    const std::size_t column = std::min(position, entry.size()) - start;
    if (above) {
        if (start == 0) {
            return std::nullopt;
        }
        const std::size_t above_start = entry_line_start(entry, start - 1);
        return std::min(above_start + column, start - 1);
    }
    const std::size_t end = entry_line_end(entry, position);
    if (end == entry.size()) {
        return std::nullopt;
    }
    const std::size_t below_start = end + 1;
    return std::min(below_start + column, entry_line_end(entry, below_start));
}

std::vector<std::string> entry_lines_to_send(const std::string& entry) {
    if (entry.find(ENTRY_LINE_BREAK) == std::string::npos) {
        return {entry};
    }
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start <= entry.size()) {
        const std::size_t end = entry_line_end(entry, start);
        if (end > start) {
            lines.push_back(entry.substr(start, end - start));
        }
        start = end + 1;
    }
    return lines;
}

std::string entry_on_one_row(std::string entry) {
    std::replace(entry.begin(), entry.end(), ENTRY_LINE_BREAK, SHOWN_LINE_BREAK);
    return entry;
}

}  // namespace qvchat2gui
