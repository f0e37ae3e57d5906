#include "chat/set_command.h"

#include <string>
#include <vector>

#include "chat/command_argument.h"

namespace qvchat2 {

namespace {

// A value as the files take it: trimmed, and without the double quotes that keep its spaces.
std::string value_as_typed(std::string value) {
    value.erase(value.find_last_not_of(' ') + 1);
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

void run_set(qvchat2gui::ChatGUI* front_end, LiveSettings& settings, const std::string& argument) {
    const auto [name, value] = first_word(argument);
    std::vector<std::string> answer;
    if (name.empty()) {
        answer.emplace_back("Settings (#set NAME VALUE changes one for this run):");
        const std::vector<std::string> listing = settings.listing();
        answer.insert(answer.end(), listing.begin(), listing.end());
    } else if (value.find_first_not_of(' ') == std::string::npos) {
        answer.push_back(settings.describe(name));
    } else {
        answer.push_back(settings.set(name, value_as_typed(value)));
    }
    for (const std::string& line : answer) {
        front_end->add_client_line(qvchat2gui::server_line(line));
    }
}

}  // namespace

void register_set_command(qvchat2gui::ChatGUI* front_end, LiveSettings& settings) {
    front_end->add_callback("set", [front_end, &settings](const std::string& argument) {
        run_set(front_end, settings, argument);
    });
    std::vector<std::string> names;
    for (const SettingFacts& facts : known_settings()) {
        names.emplace_back(facts.key);
    }
    front_end->add_command_words("set", names);
}

}  // namespace qvchat2
