#pragma once

#include <string>

#include "gui/common_gui.h"

namespace qvchat2 {

// Which received lines are spoken: every line, or only those for the user.
enum class SpeechChoice { every_line, for_user };

// The run's choice (any thread); every line at start.
SpeechChoice speech_choice();
void set_speech_choice(SpeechChoice choice);
// With repeats folded on the screen, a repeat of a recent line is not spoken again either.
void set_spoken_repeats_folded(bool folded);

// A received line as on_text sorted it, for speech.
struct ReceivedLine {
    const std::string& shown;    // as the chat shows it
    const std::string& message;  // the text the server sent
    bool server_text = false;
    bool for_user = false;  // a private or GM message, the user's name, a highlight word
    bool speak_trigger = false;
};

// Speaks the line, in words, at the priority its kind has, when speech is on and the choice
// takes it. The user's own lines are never given here.
void speak_received_line(qvchat2gui::ChatGUI* gui, const ReceivedLine& line);

}  // namespace qvchat2
