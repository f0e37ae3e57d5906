#pragma once

#include <cstddef>
#include <deque>
#include <string>

namespace qvchat2gui {

// How much text the reader keeps for a terminal that does not take it (a stalled link, a stopped
// terminal program): far more than a flood into a slow but live terminal ever holds back, and a
// bound on memory for one that never reads again. The chat log keeps every line.
inline constexpr std::size_t READER_PENDING_BYTES = 32U << 20U;

// The chat lines waiting for the reader's writer, oldest first. Past the limit the oldest go, and
// are counted so that the writer can say how many.
class PendingLines {
public:
    PendingLines() = default;
    explicit PendingLines(std::size_t limit_bytes) : limit(limit_bytes) {}

    void push(std::string line);
    bool empty() const { return lines.empty() && left_out == 0; }
    // Everything waiting, and how many lines went for want of room since the last take.
    std::deque<std::string> take(std::size_t& lines_left_out);

private:
    std::size_t limit = READER_PENDING_BYTES;
    std::deque<std::string> lines;
    std::size_t bytes = 0;
    std::size_t left_out = 0;
};

}  // namespace qvchat2gui
