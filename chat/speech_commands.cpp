#include "chat/speech_commands.h"

#include <boost/algorithm/string.hpp>
#include <utility>

#include "chat/spoken_lines.h"
#include "gui/model/chat_text.h"

namespace qvchat2 {

namespace {

constexpr char UNAVAILABLE[] = "unavailable: ";
constexpr char USAGE[] =
    "Usage: #speech all (every line spoken), #speech foryou (only the lines for you) or #speech "
    "off.";

std::string chosen_lines() {
    return speech_choice() == SpeechChoice::every_line ? "every line is spoken"
                                                       : "only the lines for you are spoken";
}

// The state in a sentence, with what to do when speech cannot start.
std::string described(const std::string& state) {
    if (state == "on") {
        return "Speech is on: " + chosen_lines() + ".";
    }
    if (state == "starting") {
        return "Speech is starting: " + chosen_lines() + ".";
    }
    if (state.rfind(UNAVAILABLE, 0) == 0) {
        return "Speech is unavailable: " + state.substr(sizeof UNAVAILABLE - 1) +
               ". Start speech-dispatcher, then #speech all.";
    }
    return "Speech is off. #speech all or #speech foryou switches it on.";
}

void speech_command(qvchat2gui::ChatGUI* gui, const SpeechSwitch& speech,
                    const std::string& typed) {
    const std::string argument =
        boost::algorithm::to_lower_copy(boost::algorithm::trim_copy(typed));
    const auto say = [gui](const std::string& text) {
        gui->add_client_line(qvchat2gui::server_line(text));
    };
    if (argument.empty()) {
        say(described(speech.state()));
    } else if (argument == "all" || argument == "foryou") {
        set_speech_choice(argument == "all" ? SpeechChoice::every_line : SpeechChoice::for_user);
        speech.switch_on(true);
        // Until the service answers, speech is only starting: it may yet be unavailable, which
        // is then said.
        say(speech.state() == "on" ? "Speech on: " + chosen_lines() + "." : described("starting"));
    } else if (argument == "off") {
        speech.switch_on(false);
        say("Speech is off.");
    } else {
        say(USAGE);
    }
}

}  // namespace

void register_speech_commands(qvchat2gui::ChatGUI* gui, SpeechSwitch speech) {
    gui->add_callback("speech", [gui, speech = std::move(speech)](const std::string& argument) {
        speech_command(gui, speech, argument);
    });
    gui->add_command_words("speech", {"all", "foryou", "off"});
}

}  // namespace qvchat2
