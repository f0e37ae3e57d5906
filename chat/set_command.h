#pragma once

#include "app/live_settings.h"
#include "gui/common_gui.h"

namespace qvchat2 {

// "#set" lists the settings with their values and where they came from; "#set NAME" shows one;
// "#set NAME VALUE" changes one for this run. Tab offers the setting names after it. `settings`
// must outlive the front-end's key loop.
void register_set_command(qvchat2gui::ChatGUI* front_end, LiveSettings& settings);

}  // namespace qvchat2
