#pragma once

#include "app/config.h"
#include "gui/model/display_settings.h"

namespace qvchat2 {

// The lines of text the setting `scrollback` may keep.
constexpr int MIN_SCROLLBACK = 100;
constexpr int MAX_SCROLLBACK = 1000000;

// The screen's switches from the settings: `bell` (default 1), `mouse` and `timestamps`
// (default 0). A value other than 0 or 1 keeps the default. `scrollback`: the lines of text the
// chat keeps, from MIN_SCROLLBACK to MAX_SCROLLBACK; without it, or out of range, 1000 display
// rows. `notify`: auto (default), osc777, osc9, bell or off. `pane`: rows for the lines for the
// user, 0 (default) to MOST_PANE_ROWS.
qvchat2gui::DisplaySettings read_display_settings(const Settings& settings);

}  // namespace qvchat2
