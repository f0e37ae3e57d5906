#pragma once

#include <ctime>
#include <string>

namespace qvchat2gui {

// The local time of `when` as a chat line's stamp: "HH:MM " (24-hour clock, then a space).
std::string local_time_stamp(std::time_t when);

}  // namespace qvchat2gui
