#include "gui/reader/pending_lines.h"

#include <utility>

namespace qvchat2gui {

void PendingLines::push(std::string line) {
    bytes += line.size();
    lines.push_back(std::move(line));
    // The newest line always stays, however long.
    while (bytes > limit && lines.size() > 1) {
        bytes -= lines.front().size();
        lines.pop_front();
        ++left_out;
    }
}

std::deque<std::string> PendingLines::take(std::size_t& lines_left_out) {
    lines_left_out = std::exchange(left_out, 0);
    bytes = 0;
    return std::exchange(lines, {});
}

}  // namespace qvchat2gui
