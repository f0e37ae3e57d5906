#pragma once

#include <functional>
#include <string>

#include "gui/common_gui.h"

namespace qvchat2 {

// What #speech asks of the run's speech.
struct SpeechSwitch {
    // "off", "starting", "on" or "unavailable: <why>".
    std::function<std::string()> state;
    // Switches speech on or off as "#set speech" does.
    std::function<void(bool on)> switch_on;
};

// "#speech" says whether and what is spoken; "#speech all", "#speech foryou" choose what is
// spoken, switching speech on; "#speech off" switches it off.
void register_speech_commands(qvchat2gui::ChatGUI* gui, SpeechSwitch speech);

}  // namespace qvchat2
