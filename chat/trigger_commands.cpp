#include "chat/trigger_commands.h"

#include <algorithm>
#include <vector>

#include "app/config.h"
#include "app/name_list_file.h"
#include "chat/quoted_line.h"
#include "gui/model/chat_text.h"

namespace qvchat2 {

namespace {

using qvchat2gui::server_line;

constexpr char TRIGGER_FILE[] = "triggers.txt";
// Start-up warnings name this many unreadable lines, each cut to this many bytes.
constexpr std::size_t NAMED_LINES = 10;
constexpr std::size_t NAMED_LINE_BYTES = 40;
constexpr std::size_t MAX_NUMBER_DIGITS = 6;

void say(qvchat2gui::ChatGUI* gui, const std::string& text) {
    gui->add_client_line(server_line(text));
}

void save(qvchat2gui::ChatGUI* gui, const TriggerList& list,
          const std::optional<std::filesystem::path>& file) {
    std::string error;
    if (file && !save_name_list(*file, list.to_lines(), error)) {
        say(gui, "Cannot save " + file->string() + ": " + error);
    }
}

std::string times_matched(std::uint64_t times) {
    if (times == 0) {
        return "not matched yet";
    }
    return times == 1 ? "matched once" : "matched " + std::to_string(times) + " times";
}

void list_triggers(qvchat2gui::ChatGUI* gui, const TriggerList& list) {
    const std::vector<ListedTrigger> listed = list.list();
    if (listed.empty()) {
        say(gui,
            "No triggers. #trigger /REGEX/ ACTION... or #trigger WORD ACTION... adds one; the "
            "actions are colour N, hide, bell, notify, pane and speak.");
        return;
    }
    say(gui, "Triggers, with how often each matched in this run:");
    for (std::size_t index = 0; index < listed.size(); ++index) {
        say(gui, std::to_string(index + 1) + ". " + listed[index].text + " (" +
                     times_matched(listed[index].times_matched) + ")");
    }
}

void trigger_command(qvchat2gui::ChatGUI* gui, TriggerList& list,
                     const std::optional<std::filesystem::path>& file,
                     const std::string& argument) {
    if (argument.find_first_not_of(' ') == std::string::npos) {
        list_triggers(gui, list);
        return;
    }
    const TriggerOutcome outcome = list.add(argument);
    say(gui, outcome.message);
    if (outcome.accepted) {
        save(gui, list, file);
    }
}

// The number typed, or 0 (which no trigger has) when it is not one.
std::size_t trigger_number(const std::string& argument) {
    const std::size_t start = std::min(argument.find_first_not_of(' '), argument.size());
    const std::size_t end = std::min(argument.find_last_not_of(' ') + 1, argument.size());
    const std::string digits = argument.substr(start, end > start ? end - start : 0);
    const bool is_number = !digits.empty() && digits.size() <= MAX_NUMBER_DIGITS &&
                           digits.find_first_not_of("0123456789") == std::string::npos;
    return is_number ? std::stoul(digits) : 0;
}

void untrigger_command(qvchat2gui::ChatGUI* gui, TriggerList& list,
                       const std::optional<std::filesystem::path>& file,
                       const std::string& argument) {
    const TriggerOutcome outcome = list.remove(trigger_number(argument));
    say(gui, outcome.message);
    if (outcome.accepted) {
        save(gui, list, file);
    }
}

}  // namespace

TriggerList& triggers() {
    static TriggerList list;
    return list;
}

std::optional<std::filesystem::path> load_triggers(TriggerList& list,
                                                   const std::string& server_folder,
                                                   std::ostream& warnings) {
    std::optional<std::filesystem::path> file = get_config_file(server_folder, TRIGGER_FILE);
    if (!file) {
        return file;
    }
    const std::optional<std::vector<std::string>> read = read_numbered_list(*file, warnings);
    if (!read) {
        return std::nullopt;
    }
    const std::vector<std::string>& lines = *read;
    std::size_t skipped = 0;
    for (std::size_t index = 0; index < lines.size(); ++index) {
        if (lines[index].find_first_not_of(' ') == std::string::npos) {
            continue;
        }
        const TriggerOutcome outcome = list.add(lines[index]);
        if (outcome.accepted) {
            continue;
        }
        if (++skipped <= NAMED_LINES) {
            warnings << file->string() << ':' << index + 1 << ": "
                     << quoted_line(lines[index], NAMED_LINE_BYTES)
                     << " is skipped: " << outcome.message << '\n';
        }
    }
    if (skipped > NAMED_LINES) {
        warnings << file->string() << ": " << skipped - NAMED_LINES
                 << " more lines cannot be read and are skipped.\n";
    }
    return file;
}

void register_trigger_commands(qvchat2gui::ChatGUI* gui, TriggerList& list,
                               const std::optional<std::filesystem::path>& file) {
    gui->add_callback("trigger", [gui, &list, file](const std::string& argument) {
        trigger_command(gui, list, file, argument);
    });
    gui->add_callback("untrigger", [gui, &list, file](const std::string& argument) {
        untrigger_command(gui, list, file, argument);
    });
}

}  // namespace qvchat2
