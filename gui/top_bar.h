#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qvchat2gui {

constexpr std::uint16_t MINS_PER_HOUR = 60;

// Game time from a count of minutes: hours right-aligned in two columns, ':' and two-digit
// minutes (' 1:05', '12:34'); no wrap after a day.
std::string format_clock(unsigned short minutes);

// The joined channels as the top bar shows them: each number (or "Guild") followed by " | ".
std::string channel_bar_text(const std::vector<unsigned int>& channels);

}  // namespace qvchat2gui
