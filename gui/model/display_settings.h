#pragma once

#include <cstddef>

#include "gui/model/notify_mode.h"

namespace qvchat2gui {

// How the curses front-end shows what it gets, from the user's settings.
struct DisplaySettings {
    bool bell = true;         // ring on a line for the user, at most once a second
    bool mouse = false;       // the wheel scrolls the chat (and the terminal no longer selects)
    bool timestamps = false;  // every line starts with the local time "HH:MM "
    // Texts the chat window keeps, each whole; 0 keeps the newest 1000 display rows instead.
    std::size_t kept_texts = 0;
    // How a line for the user is told outside the terminal while it is not in focus or the user
    // is away.
    NotifyMode notify = NotifyMode::automatic;
    // Rows above the chat window for the newest lines for the user; 0: no pane.
    int pane_rows = 0;
    // A received line that repeats one of the newest shown is counted on it instead of shown.
    bool fold_repeats = false;
};

// The rows the setting `pane` may ask for; the screen gives at most a third of its rows.
inline constexpr int MOST_PANE_ROWS = 20;

}  // namespace qvchat2gui
