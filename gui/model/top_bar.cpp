#include "gui/model/top_bar.h"

#include <algorithm>
#include <iomanip>
#include <sstream>

#include "gui/model/latin1_text.h"

namespace qvchat2gui {

namespace {

// Blank columns between the parts of the bar.
constexpr int GAP = 1;

std::wstring widened(const std::string& text) {
    std::wstring wide;
    wide.reserve(text.size());
    for (const char byte : text) {
        wide += shown_character(static_cast<unsigned char>(byte));
    }
    return wide;
}

// `text` in at most `room` columns: whole, or cut to end in the ellipsis, or nothing at all
// when not even the ellipsis fits.
std::wstring fitted(const std::wstring& text, int room, const std::wstring& ellipsis) {
    const auto columns = static_cast<std::size_t>(std::max(room, 0));
    if (text.size() <= columns) {
        return text;
    }
    if (ellipsis.size() > columns) {
        return std::wstring();
    }
    // "Guild…", not "Guild …".
    std::wstring kept = text.substr(0, columns - ellipsis.size());
    kept.erase(kept.find_last_not_of(L' ') + 1);
    return kept + ellipsis;
}

}  // namespace

std::string format_clock(unsigned short minutes) {
    std::ostringstream text;
    text << std::setw(2) << std::setfill(' ') << minutes / MINS_PER_HOUR << ':' << std::setw(2)
         << std::setfill('0') << minutes % MINS_PER_HOUR;
    return text.str();
}

std::string channel_bar_text(const std::vector<unsigned int>& channels,
                             std::optional<unsigned int> active,
                             const std::vector<unsigned int>& muted) {
    std::string text;
    for (const unsigned int channel : channels) {
        const bool is_muted = std::find(muted.begin(), muted.end(), channel) != muted.end();
        const std::string name =
            (channel > GUILD_CUTOFF ? "Guild" : std::to_string(channel)) + (is_muted ? "~" : "");
        text += channel == active ? "[" + name + "]" : name;
        text += " | ";
    }
    return text;
}

std::wstring status_text(const TopBarStatus& status, const std::wstring& ellipsis) {
    std::wstring text;
    switch (status.connection) {
        case ConnectionState::connecting:
            text = L"connecting" + ellipsis;
            break;
        case ConnectionState::connected:
            text = widened(status.server_name);
            break;
        case ConnectionState::offline:
            text = L"offline";
            break;
        case ConnectionState::unknown:
            break;
    }
    if (status.away) {
        text += text.empty() ? L"away" : L", away";
    }
    if (status.showing_ignored) {
        text += text.empty() ? L"showing ignored" : L", showing ignored";
    }
    return text;
}

TopBarRow lay_out_top_bar(int width, const std::string& channels, const std::wstring& status,
                          const std::string& clock, const std::wstring& ellipsis) {
    TopBarRow row;
    const int last_column = width - 2;  // the last column inside the box
    int free_end = last_column;         // parts to the left end at or before this column
    const int clock_column = width - static_cast<int>(clock.size()) - 1;
    if (!clock.empty() && clock_column >= 1) {
        row.clock = clock;
        row.clock_column = clock_column;
        free_end = clock_column - 1 - GAP;
    }
    if (!status.empty()) {
        row.status = fitted(status, free_end, ellipsis);
        row.status_column = free_end - static_cast<int>(row.status.size()) + 1;
        if (!row.status.empty()) {
            free_end = row.status_column - 1 - GAP;
        }
    }
    row.channels = fitted(widened(channels), free_end, ellipsis);
    return row;
}

}  // namespace qvchat2gui
