#pragma once

#include <array>
#include <istream>
#include <string>

namespace qvchat2 {

// Reads the next line of a text file into `line`: without its line feed and without a carriage
// return right before it, so files written on Windows read the same. No limit on the length.
inline bool read_text_line(std::istream& in, std::string& line) {
    if (!std::getline(in, line)) {
        return false;
    }
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    return true;
}

// Moves past a UTF-8 byte-order mark at the start of a file just opened: some editors write one,
// and it would otherwise stick to the first line and spoil it.
inline void skip_byte_order_mark(std::istream& in) {
    std::array<char, 3> head{};
    const bool marked = in.read(head.data(), head.size()) && head[0] == '\xEF' &&
                        head[1] == '\xBB' && head[2] == '\xBF';
    if (!marked) {
        in.clear();
        in.seekg(0);
    }
}

}  // namespace qvchat2
