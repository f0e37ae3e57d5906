#pragma once

#include <memory>

#include "app/live_settings.h"
#include "app/speech.h"
#include "gui/common_gui.h"

namespace qvchat2 {

// The run's speech, as the settings say (speech, speech_rate, fold_repeats) and as #set and
// #speech change them, its notices in the chat. `asked_for`: --speech. The front-end must
// outlive what this returns, which tells it notices from its own thread.
std::unique_ptr<Speech> start_speech(qvchat2gui::ChatGUI* front_end, LiveSettings& settings,
                                     bool asked_for);

}  // namespace qvchat2
