#include "gui/top_bar.h"

#include <iomanip>
#include <sstream>

#include "gui/common_gui.h"

namespace qvchat2gui {

std::string format_clock(unsigned short minutes) {
    std::ostringstream text;
    text << std::setw(2) << std::setfill(' ') << minutes / MINS_PER_HOUR << ':' << std::setw(2)
         << std::setfill('0') << minutes % MINS_PER_HOUR;
    return text.str();
}

std::string channel_bar_text(const std::vector<unsigned int>& channels) {
    std::string text;
    for (const unsigned int channel : channels) {
        text += channel > GUILD_CUTOFF ? "Guild" : std::to_string(channel);
        text += " | ";
    }
    return text;
}

}  // namespace qvchat2gui
