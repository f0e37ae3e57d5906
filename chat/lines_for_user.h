#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "gui/common_gui.h"

namespace qvchat2 {

// Why a received line is for the user.
enum class ForUserKind : std::uint8_t { private_message, gm_message, mention, highlight };

// How much a line of that kind asks for the user's attention on the screen.
qvchat2gui::Attention attention_of(ForUserKind kind);

// The newest lines for the user kept, and the bytes of their texts and senders at most (the
// newest line stays whatever its size); older ones go.
inline constexpr std::size_t MAX_LINES_FOR_USER = 200;
inline constexpr std::size_t MAX_BYTES_FOR_USER = std::size_t{2} * 1024 * 1024;

// One line for the user as it was shown (colour bytes and all), with when it came and who said
// it.
struct LineForUser {
    std::time_t time = 0;
    ForUserKind kind = ForUserKind::private_message;
    std::string sender;
    std::string text;
};

// The lines for the user, kept apart from the scroll-back so that a flood of other chat cannot
// push them out. Safe to use from many threads.
class LinesForUser {
public:
    // Keeps the line, forgetting the oldest beyond MAX_LINES_FOR_USER or MAX_BYTES_FOR_USER.
    void note(ForUserKind kind, const std::string& sender, const std::string& text,
              std::time_t time);
    // Oldest first.
    std::vector<LineForUser> lines() const;
    void clear();

private:
    mutable std::mutex kept_lines_lock;  // guards kept and kept_bytes
    std::deque<LineForUser> kept;
    std::size_t kept_bytes = 0;
};

// The lines for the user of this run, shared by the message handlers (any dispatch thread) and
// #missed (the main thread). They outlive a lost connection.
LinesForUser& lines_for_user();

// What #missed shows: each line after its local time "HH:MM ", oldest first, with a note that
// counts them; no lines when there are none.
qvchat2gui::FoundLines missed_lines(const std::vector<LineForUser>& lines);

// #missed: the lines for the user in the view of found lines, or a line saying there is none.
void show_missed(qvchat2gui::ChatGUI* gui);

}  // namespace qvchat2
