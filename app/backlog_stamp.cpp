#include "app/backlog_stamp.h"

#include <array>
#include <vector>

namespace qvchat2 {

namespace {

// "%c" in the C locale writes these whatever the user's locale.
constexpr std::array<std::string_view, 12> MONTHS{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                  "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr std::size_t DATE_FIELDS = 5;  // weekday, month, day, time, year
constexpr std::size_t HOURS_AND_MINUTES = 5;
constexpr int TM_YEAR_BASE = 1900;

std::vector<std::string_view> fields_of(std::string_view text) {
    std::vector<std::string_view> fields;
    std::size_t start = text.find_first_not_of(' ');
    while (start != std::string_view::npos && fields.size() <= DATE_FIELDS) {
        const std::size_t end = std::min(text.find(' ', start), text.size());
        fields.push_back(text.substr(start, end - start));
        start = text.find_first_not_of(' ', end);
    }
    return fields;
}

}  // namespace

std::string short_log_stamp(std::string_view stamp, const std::tm& today) {
    const std::vector<std::string_view> fields = fields_of(stamp);
    if (fields.size() != DATE_FIELDS || fields[3].size() < HOURS_AND_MINUTES) {
        return std::string(stamp);
    }
    const std::string_view month = fields[1];
    const std::string_view day = fields[2];
    const std::string_view year = fields[4];
    std::string time(fields[3].substr(0, HOURS_AND_MINUTES));
    const bool this_year = year == std::to_string(today.tm_year + TM_YEAR_BASE);
    const bool this_month = today.tm_mon >= 0 && today.tm_mon < static_cast<int>(MONTHS.size()) &&
                            month == MONTHS[static_cast<std::size_t>(today.tm_mon)];
    if (this_year && this_month && day == std::to_string(today.tm_mday)) {
        return time;
    }
    std::string date = std::string(month) + " " + std::string(day);
    if (!this_year) {
        date += " " + std::string(year);
    }
    return date + " " + time;
}

}  // namespace qvchat2
