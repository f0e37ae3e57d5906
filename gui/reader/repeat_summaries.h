#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace qvchat2gui {

// What the reader says of the repeats it folded: nothing while they come, and before the next
// line written, "repeated 5 times" for the line just written, or with the line when others
// came between its repeats, so that the count is never heard after the wrong line. Not locked:
// the owner guards it.
class RepeatSummaries {
public:
    // A repeat of the line said as `said` came; `count` times in all now.
    void note(const std::string& said, std::uint32_t count);
    // The lines to write before the next one, and nothing is pending after.
    std::vector<std::string> take();
    // The line just written, as said.
    void written(std::string said);

private:
    std::vector<std::pair<std::string, std::uint32_t>> pending;  // oldest first
    std::string last_written;
};

}  // namespace qvchat2gui
