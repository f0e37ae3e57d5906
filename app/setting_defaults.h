#pragma once

// What settings the files leave out stand for, where more than one part needs to know.
namespace qvchat2 {

inline constexpr char DEFAULT_AFK_MESSAGE[] =
    "AFK: I am currently away from my computer right now. Please leave a message and I'll get "
    "back to you.";
inline constexpr unsigned short DEFAULT_AUTO_AFK_MINUTES = 5;

}  // namespace qvchat2
