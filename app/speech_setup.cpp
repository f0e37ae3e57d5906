#include "app/speech_setup.h"

#include <string>

#include "app/config.h"
#include "chat/speech_commands.h"
#include "chat/spoken_lines.h"
#include "gui/model/chat_text.h"

namespace qvchat2 {

namespace {

int speech_rate(const Settings& values) {
    // The value was checked on reading: a whole number from -100 to 100.
    try {
        return std::stoi(get_property(values, "speech_rate", "0"));
    } catch (const std::exception&) {
        return 0;
    }
}

}  // namespace

std::unique_ptr<Speech> start_speech(qvchat2gui::ChatGUI* front_end, LiveSettings& settings,
                                     bool asked_for) {
    auto speech = std::make_unique<Speech>([front_end](const std::string& notice) {
        front_end->add_client_line(qvchat2gui::server_line(notice));
    });
    Speech* output = speech.get();
    const Settings& values = settings.values();
    set_spoken_repeats_folded(read_switch(values, "fold_repeats", false));
    // Unset, the service keeps the user's own default rate.
    if (values.count("speech_rate") != 0) {
        output->set_rate(speech_rate(values));
    }
    output->set_enabled(asked_for || read_switch(values, "speech", false));
    settings.on_change("speech", [output](const Settings& changed) {
        output->set_enabled(read_switch(changed, "speech", false));
    });
    settings.on_change("speech_rate", [output](const Settings& changed) {
        output->set_rate(speech_rate(changed));
    });
    settings.on_change("fold_repeats", [](const Settings& changed) {
        set_spoken_repeats_folded(read_switch(changed, "fold_repeats", false));
    });
    register_speech_commands(front_end, {[output] { return output->state(); },
                                         [output, &settings](bool on) {
                                             settings.set("speech", on ? "1" : "0");
                                             // Also when --speech had it on while the setting said
                                             // 0.
                                             output->set_enabled(on);
                                         }});
    front_end->set_speech(output);
    return speech;
}

}  // namespace qvchat2
