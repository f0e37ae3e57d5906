#include "gui/time_stamp.h"

#include <array>

namespace qvchat2gui {

std::string local_time_stamp(std::time_t when) {
    std::tm local{};
    if (localtime_r(&when, &local) == nullptr) {
        return "--:-- ";
    }
    std::array<char, sizeof "HH:MM "> text{};
    std::strftime(text.data(), text.size(), "%H:%M ", &local);
    return text.data();
}

}  // namespace qvchat2gui
