#pragma once

#include <string>

#include "gui/common_gui.h"
#include "gui/model/line_effects.h"

namespace qvchat2 {

// What the user's triggers make of one received line.
struct TriggeredLine {
    bool hide = false;  // kept out of sight as an ignored line is
    bool pane = false;  // a line for the user
    bool speak = false;
    qvchat2gui::LineEffects effects;
};

// Asks the user's triggers about the line as shown (colour bytes and all), and shows their
// notices, such as a trigger too costly for the line. With no triggers it costs one atomic load.
TriggeredLine apply_triggers(qvchat2gui::ChatGUI* gui, const std::string& line);

}  // namespace qvchat2
