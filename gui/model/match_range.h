#pragma once

#include <cstddef>

namespace qvchat2gui {

// A part of a text found by a search or a link scan: byte offsets into the text given, `end`
// one past the last byte.
struct MatchRange {
    std::size_t begin = 0;
    std::size_t end = 0;

    bool operator==(const MatchRange& other) const {
        return begin == other.begin && end == other.end;
    }
};

}  // namespace qvchat2gui
