#pragma once

#include <string>
#include <vector>

namespace qvchat2gui {

// Gathers the keys of one bracketed paste into lines. A line end is "\r", "\n" or "\r\n"; a Tab
// becomes a space; other control keys and special keys are dropped, as typing them would be.
class PasteCollector {
public:
    void add_key(int key);
    // The lines pasted, without a last empty one (a text that ends with a line end); empties the
    // collector.
    std::vector<std::string> take_lines();

private:
    std::vector<std::string> lines{std::string()};
    bool after_return = false;
};

}  // namespace qvchat2gui
