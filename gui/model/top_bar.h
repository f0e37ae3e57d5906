#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "gui/model/chat_text.h"

namespace qvchat2gui {

constexpr std::uint16_t MINS_PER_HOUR = 60;

// Game time from a count of minutes: hours right-aligned in two columns, ':' and two-digit
// minutes (' 1:05', '12:34'); no wrap after a day.
std::string format_clock(unsigned short minutes);

// The joined channels as the top bar shows them: each number (or "Guild") followed by " | ",
// the active channel in brackets ("[7] | "), a muted one with a "~" ("3~ | ").
std::string channel_bar_text(const std::vector<unsigned int>& channels,
                             std::optional<unsigned int> active = std::nullopt,
                             const std::vector<unsigned int>& muted = {});

// What the status part of the top bar tells.
struct TopBarStatus {
    ConnectionState connection = ConnectionState::unknown;
    std::string server_name;  // as servers.lst spells it
    bool away = false;
    bool showing_ignored = false;  // the ignored players' lines are shown (Alt-=)
};

// The status as words: "connecting" and the ellipsis, the server's name while connected,
// "offline", each followed by ", away" while away. Bytes of the name that cannot be shown are
// shown as '?'.
std::wstring status_text(const TopBarStatus& status, const std::wstring& ellipsis);

// The one row of the top bar in a window `width` columns wide, inside its box: the clock ends
// just inside the right border, the status stands one column left of it and the channel list
// starts at column 1. What does not fit is cut and ends in the ellipsis; the clock comes first,
// then the status, then the channels. An empty part takes no room.
struct TopBarRow {
    std::wstring channels;
    std::wstring status;
    int status_column = 0;
    std::string clock;
    int clock_column = 0;
};
TopBarRow lay_out_top_bar(int width, const std::string& channels, const std::wstring& status,
                          const std::string& clock, const std::wstring& ellipsis);

}  // namespace qvchat2gui
