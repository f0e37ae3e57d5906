#pragma once

#include <ctime>
#include <string>
#include <string_view>

namespace qvchat2 {

// The date of a log record read back, as the chat shows a time: "14:05" for a record of the day
// `today`, "Dec 8 14:05" for another day of its year, "Dec 8 2025 14:05" for another year.
// `stamp` is the log's "%c" date ("Tue Dec  8 14:05:49 2026", as log_date_moment reads it);
// anything else is given back as it is.
std::string short_log_stamp(std::string_view stamp, const std::tm& today);

}  // namespace qvchat2
