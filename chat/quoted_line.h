#pragma once

#include <cstddef>
#include <string>

namespace qvchat2 {

// A line of a file quoted in a warning, which goes to the terminal before the screen opens: cut
// to `most_bytes` ("..." marks the cut), each control byte (an escape sequence) shown as "?",
// never written.
std::string quoted_line(const std::string& line, std::size_t most_bytes);

}  // namespace qvchat2
