#pragma once

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

}  // namespace qvchat2
