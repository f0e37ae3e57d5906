#include "gui/model/time_stamp.h"

#include <atomic>
#include <cstdint>

#include "gui/model/chat_text.h"

namespace qvchat2gui {

namespace {

constexpr int MINUTES_PER_HOUR = 60;
constexpr std::time_t SECONDS_PER_MINUTE = 60;
constexpr int STAMP_BITS = 16;
constexpr std::uint64_t STAMP_MASK = 0xFFFF;

// The minute since the epoch and its stamp in one word, so that threads never see the one
// without the other. Zones move by whole minutes, so a minute has one stamp.
std::atomic<std::uint64_t> stamp_of_minute{0};

}  // namespace

TimeStamp local_time_stamp(std::time_t when) {
    std::tm local{};
    if (localtime_r(&when, &local) == nullptr) {
        return 0;
    }
    return static_cast<TimeStamp>(local.tm_hour * MINUTES_PER_HOUR + local.tm_min);
}

TimeStamp current_time_stamp() {
    const std::time_t now = std::time(nullptr);
    const auto minute = static_cast<std::uint64_t>(now / SECONDS_PER_MINUTE);
    const std::uint64_t cached = stamp_of_minute.load(std::memory_order_relaxed);
    if (cached != 0 && cached >> STAMP_BITS == minute) {
        return static_cast<TimeStamp>(cached & STAMP_MASK);
    }
    const TimeStamp stamp = local_time_stamp(now);
    stamp_of_minute.store(minute << STAMP_BITS | static_cast<std::uint64_t>(stamp),
                          std::memory_order_relaxed);
    return stamp;
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

std::string stamped_text(TimeStamp stamp, std::string_view text) {
    const std::size_t colour = starts_with_colour(text) ? 1 : 0;
    std::string out(text.substr(0, colour));
    out += stamp_text(stamp);
    out += text.substr(colour);
    return out;
}

}  // namespace qvchat2gui
