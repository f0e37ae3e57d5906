#pragma once

#include "app/config.h"
#include "gui/display_settings.h"

namespace qvchat2 {

// The screen's switches from the settings: `bell` (default 1), `mouse` and `timestamps`
// (default 0). A value other than 0 or 1 keeps the default.
qvchat2gui::DisplaySettings read_display_settings(const Settings& settings);

}  // namespace qvchat2
