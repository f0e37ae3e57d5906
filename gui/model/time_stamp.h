#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

namespace qvchat2gui {

// A chat line's time stamp: the local minute of the day it came, or one of these.
using TimeStamp = std::int16_t;
constexpr TimeStamp NO_STAMP = -1;        // shown without a stamp
constexpr TimeStamp CONTINUED_TEXT = -2;  // a row that continues a stamped text
// Columns a stamp takes: "HH:MM ".
constexpr int STAMP_WIDTH = 6;

// The local minute of the day (0 to 1439) of `when`.
TimeStamp local_time_stamp(std::time_t when);

// local_time_stamp of now, worked out once a minute: every received line is stamped. Any thread.
TimeStamp current_time_stamp();

// The columns shown before a line's text: "HH:MM " (24-hour clock), six blanks on a row that
// continues a stamped text, nothing without a stamp.
std::string stamp_text(TimeStamp stamp);
// The text with its stamp in front, after a colour byte that starts it: the line keeps its colour
// on every row it wraps to, and its kind for whoever reads the first byte.
std::string stamped_text(TimeStamp stamp, std::string_view text);

}  // namespace qvchat2gui
