#include "chat/key_binding_commands.h"

#include <string>
#include <vector>

#include "app/name_list_file.h"
#include "chat/command_argument.h"

namespace qvchat2 {

namespace {

void say(qvchat2gui::ChatGUI* gui, const std::string& text) {
    gui->add_client_line(qvchat2gui::server_line(text));
}

void save(qvchat2gui::ChatGUI* gui, const std::optional<std::filesystem::path>& file) {
    std::string error;
    if (file && !save_name_list(*file, gui->key_bindings().to_lines(), error)) {
        say(gui, "Cannot save " + file->string() + ": " + error);
    }
}

void bind_command(qvchat2gui::ChatGUI* gui, const std::optional<std::filesystem::path>& file,
                  const std::string& argument) {
    const auto [key, action] = first_word(argument);
    if (key.empty()) {
        for (const std::string& line : gui->key_bindings().listing(gui->keys())) {
            gui->add_client_line(line);
        }
        return;
    }
    if (action.empty()) {
        say(gui, "Usage: #bind KEY ACTION, or #bind KEY #command; #bind lists the actions.");
        return;
    }
    bool changed = false;
    say(gui, gui->key_bindings().bind(key, action, gui->keys(), changed));
    if (changed) {
        save(gui, file);
    }
}

void unbind_command(qvchat2gui::ChatGUI* gui, const std::optional<std::filesystem::path>& file,
                    const std::string& argument) {
    const std::string key = first_word(argument).first;
    if (key.empty()) {
        say(gui, "Usage: #unbind KEY");
        return;
    }
    bool changed = false;
    say(gui, gui->key_bindings().unbind(key, gui->keys(), changed));
    if (changed) {
        save(gui, file);
    }
}

}  // namespace

void load_key_bindings(qvchat2gui::ChatGUI& gui, std::optional<std::filesystem::path>& file,
                       std::ostream& warnings) {
    if (!file) {
        return;
    }
    std::string problem;
    const std::vector<std::string> lines =
        read_text_lines(*file, MAX_NAME_LIST_FILE_BYTES, MAX_NAME_LIST_ENTRIES, problem);
    if (!problem.empty()) {
        warnings << "Cannot use the key bindings " << file->string() << ": " << problem
                 << ". It is left as it is, and bindings made in this run are not saved.\n";
        file.reset();
        return;
    }
    for (const auto& [line, text] : gui.key_bindings().load(lines, gui.keys())) {
        warnings << file->string() << ":" << line << ": " << text << " The line is skipped.\n";
    }
}

void register_key_binding_commands(qvchat2gui::ChatGUI* gui,
                                   const std::optional<std::filesystem::path>& file) {
    gui->add_callback(
        "bind", [gui, file](const std::string& argument) { bind_command(gui, file, argument); });
    gui->add_callback("unbind", [gui, file](const std::string& argument) {
        unbind_command(gui, file, argument);
    });
}

}  // namespace qvchat2
