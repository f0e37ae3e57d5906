#include "chat/quoted_line.h"

#include <algorithm>

#include "gui/model/chat_text.h"

namespace qvchat2 {

std::string quoted_line(const std::string& line, std::size_t most_bytes) {
    std::string text = line.substr(0, most_bytes);
    std::replace_if(text.begin(), text.end(), qvchat2gui::is_control_character, '?');
    return "\"" + text + (line.size() > most_bytes ? "...\"" : "\"");
}

}  // namespace qvchat2
