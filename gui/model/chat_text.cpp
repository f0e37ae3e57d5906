#include "gui/model/chat_text.h"

namespace qvchat2gui {

bool is_color_code(char byte) {
    const auto value = static_cast<unsigned char>(byte);
    return value >= 127 && value <= 154;
}

char transform_illegals(char byte) {
    return static_cast<signed char>(byte) <= 31 ? '#' : byte;
}

std::string server_line(const std::string& text) {
    return static_cast<char>(SERVER_COLOR) + text;
}

}  // namespace qvchat2gui
