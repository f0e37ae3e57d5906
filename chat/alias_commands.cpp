#include "chat/alias_commands.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "app/config.h"
#include "app/name_list_file.h"
#include "chat/command_argument.h"
#include "chat/quoted_line.h"
#include "gui/model/chat_text.h"
#include "network/message_types.h"

namespace qvchat2 {

namespace {

using qvchat2gui::server_line;

constexpr char ALIAS_FILE[] = "alias.txt";
// A warning names this many unreadable lines, each cut to this many bytes.
constexpr std::size_t NAMED_LINES = 3;
constexpr std::size_t NAMED_LINE_BYTES = 40;

void say(qvchat2gui::ChatGUI* gui, const std::string& text) {
    gui->add_client_line(server_line(text));
}

void save(qvchat2gui::ChatGUI* gui, const SavedAliases& aliases) {
    std::string error;
    if (aliases.file && !save_name_list(*aliases.file, aliases.table.to_lines(), error)) {
        say(gui, "Cannot save " + aliases.file->string() + ": " + error);
    }
}

std::string shown(const std::string& name, const std::string& text) {
    return "#" + name + " = \"" + text + "\"";
}

std::string listed(const AliasTable& table) {
    std::string text;
    for (const auto& [name, expansion] : table.entries()) {
        text += (text.empty() ? "Aliases: " : ", ") + shown(name, expansion);
    }
    return text.empty() ? "No aliases. #alias NAME TEXT makes #NAME stand for TEXT." : text + ".";
}

// "#alias NAME TEXT" defines, "#alias NAME" shows one, "#alias" lists them.
void alias_command(qvchat2gui::ChatGUI* gui, SavedAliases& aliases, const std::string& argument) {
    auto [name, text] = first_word(argument);
    if (name.size() > 1 && name[0] == '#') {
        name.erase(0, 1);
    }
    if (name.empty()) {
        say(gui, listed(aliases.table));
        return;
    }
    const std::optional<std::string> key = AliasTable::normalized_name(name);
    if (key && text.empty()) {
        const std::optional<std::string> current = aliases.table.text_of(*key);
        say(gui, current ? shown(*key, *current)
                         : "#" + *key + " is not an alias; #alias " + *key + " TEXT makes one.");
        return;
    }
    if (key && gui->has_command(*key)) {
        say(gui, "#" + *key + " is a command of the client; an alias cannot take its name.");
        return;
    }
    const std::string refusal = aliases.table.define(name, text);
    if (!refusal.empty()) {
        say(gui, refusal);
        return;
    }
    say(gui, "#" + *key + " now stands for \"" + text + "\".");
    save(gui, aliases);
}

void unalias_command(qvchat2gui::ChatGUI* gui, SavedAliases& aliases, const std::string& argument) {
    std::string name = first_word(argument).first;
    if (name.size() > 1 && name[0] == '#') {
        name.erase(0, 1);
    }
    if (name.empty()) {
        say(gui, "Usage: #unalias NAME");
        return;
    }
    if (!aliases.table.remove(name)) {
        say(gui, "#" + name + " is not an alias.");
        return;
    }
    say(gui, "#" + *AliasTable::normalized_name(name) + " is no longer an alias.");
    save(gui, aliases);
}

// An alias read from the file that a command of this front-end hides goes, so that what
// #alias lists is what typing does.
void drop_aliases_named_as_commands(qvchat2gui::ChatGUI* gui, SavedAliases& aliases) {
    for (const std::string& name : aliases.table.names()) {
        if (gui->has_command(name)) {
            aliases.table.remove(name);
            say(gui, "#" + name + " is a command of the client; the alias of that name in " +
                         ALIAS_FILE + " is not used.");
        }
    }
}

std::string unreadable_warning(const std::filesystem::path& file,
                               const std::vector<std::string>& lines) {
    std::string named;
    for (std::size_t index = 0; index < lines.size() && index < NAMED_LINES; ++index) {
        named += (index > 0 ? ", " : "") + quoted_line(lines[index], NAMED_LINE_BYTES);
    }
    if (lines.size() > NAMED_LINES) {
        named += " and " + std::to_string(lines.size() - NAMED_LINES) + " more";
    }
    return file.string() + ": " + std::to_string(lines.size()) +
           (lines.size() == 1 ? " line cannot be read and is" : " lines cannot be read and are") +
           " skipped: " + named +
           ". Each line is NAME (letters, digits, _ and -) and its text, at most " +
           std::to_string(MAX_ALIASES) + " lines.\n";
}

}  // namespace

std::shared_ptr<SavedAliases> load_aliases(const std::string& server_folder,
                                           std::ostream& warnings) {
    auto aliases = std::make_shared<SavedAliases>();
    aliases->file = get_config_file(server_folder, ALIAS_FILE);
    if (!aliases->file) {
        return aliases;
    }
    const NameListRead read = load_name_list(*aliases->file);
    if (!read.problem.empty()) {
        warnings << read.problem
                 << " It is not used in this run, and changes to it are not saved: make it a "
                    "regular file that you can read and write, or remove it.\n";
        aliases->file.reset();
        return aliases;
    }
    const std::vector<std::string> unreadable = aliases->table.from_lines(read.lines);
    if (!unreadable.empty()) {
        warnings << unreadable_warning(*aliases->file, unreadable);
    }
    return aliases;
}

void register_alias_commands(qvchat2gui::ChatGUI* gui, const std::shared_ptr<SavedAliases>& aliases,
                             std::function<std::string()> own_name) {
    gui->add_callback("alias", [gui, aliases](const std::string& argument) {
        alias_command(gui, *aliases, argument);
    });
    gui->add_callback("unalias", [gui, aliases](const std::string& argument) {
        unalias_command(gui, *aliases, argument);
    });
    drop_aliases_named_as_commands(gui, *aliases);
    gui->set_alias_expander({[gui, aliases, own_name = std::move(own_name)](
                                 const std::string& line) -> std::optional<std::string> {
                                 const std::optional<AliasExpansion> expansion =
                                     aliases->table.expand(line, own_name(),
                                                           qvnetworklib::MAX_PAYLOAD_SIZE);
                                 if (expansion && !expansion->refusal.empty()) {
                                     say(gui, expansion->refusal);
                                     return std::string();
                                 }
                                 return expansion ? std::optional(expansion->line) : std::nullopt;
                             },
                             [aliases] { return aliases->table.names(); }});
}

}  // namespace qvchat2
