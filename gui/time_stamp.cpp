#include "gui/time_stamp.h"

namespace qvchat2gui {

namespace {

constexpr int MINUTES_PER_HOUR = 60;

}  // namespace

TimeStamp local_time_stamp(std::time_t when) {
    std::tm local{};
    if (localtime_r(&when, &local) == nullptr) {
        return 0;
    }
    return static_cast<TimeStamp>(local.tm_hour * MINUTES_PER_HOUR + local.tm_min);
}

std::string stamp_text(TimeStamp stamp) {
    if (stamp == CONTINUED_TEXT) {
        return std::string(STAMP_WIDTH, ' ');
    }
    if (stamp < 0) {
        return std::string();
    }
    const int hours = stamp / MINUTES_PER_HOUR;
    const int minutes = stamp % MINUTES_PER_HOUR;
    return {static_cast<char>('0' + hours / 10),   static_cast<char>('0' + hours % 10),   ':',
            static_cast<char>('0' + minutes / 10), static_cast<char>('0' + minutes % 10), ' '};
}

}  // namespace qvchat2gui
