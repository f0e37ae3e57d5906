#include "chat/note_commands.h"

#include <algorithm>
#include <set>

#include "app/config.h"
#include "chat/command_argument.h"
#include "chat/ignore_list.h"
#include "chat/quoted_line.h"
#include "gui/model/chat_text.h"

namespace qvchat2 {

namespace {

using qvchat2gui::server_line;

constexpr char NOTES_FILE[] = "notes.txt";
constexpr char REMOVAL_MARK[] = "-";
// A warning names this many unreadable lines, each cut to this many bytes.
constexpr std::size_t NAMED_LINES = 3;
constexpr std::size_t NAMED_LINE_BYTES = 40;

void say(qvchat2gui::ChatGUI* gui, const std::string& text) {
    gui->add_client_line(server_line(text));
}

// A note as #look and a private message bring it up: grey, apart from the chat.
std::string note_line(const PlayerNote& note) {
    return std::string(1, static_cast<char>(qvchat2gui::OFF_CHANNEL_COLOR)) + "note on " +
           note.name + ": " + note.text;
}

void save(qvchat2gui::ChatGUI* gui, const std::optional<std::filesystem::path>& file) {
    std::string error;
    if (file && !save_name_list(*file, player_notes().to_lines(), error)) {
        say(gui, "Cannot save " + file->string() + ": " + error);
    }
}

void list_notes(qvchat2gui::ChatGUI* gui) {
    const std::vector<PlayerNote> notes = player_notes().entries();
    if (notes.empty()) {
        say(gui, "No notes. #note NAME TEXT keeps a note on a player.");
        return;
    }
    say(gui, "Notes on " + std::to_string(notes.size()) +
                 (notes.size() == 1 ? " player:" : " players:"));
    for (const PlayerNote& note : notes) {
        say(gui, note.name + ": " + note.text);
    }
}

// "#note NAME TEXT" keeps, "#note NAME" shows, "#note NAME -" removes.
void note_command(qvchat2gui::ChatGUI* gui, const std::optional<std::filesystem::path>& file,
                  const std::string& argument) {
    const auto [name, text] = first_word(argument);
    if (name.empty()) {
        say(gui,
            "Usage: #note NAME TEXT keeps a note on a player, #note NAME shows it, #note NAME - "
            "removes it; #notes lists them.");
        return;
    }
    if (const auto problem = noted_name_problem(name)) {
        say(gui, *problem);
        return;
    }
    if (text.empty()) {
        const std::optional<PlayerNote> note = player_notes().note_on(name);
        say(gui, note ? "Note on " + note->name + ": " + note->text
                      : "No note on " + name + "; #note " + name + " TEXT keeps one.");
        return;
    }
    if (text.substr(0, text.find_last_not_of(' ') + 1) == REMOVAL_MARK) {
        const bool removed = player_notes().remove(name);
        say(gui, removed ? "The note on " + name + " is removed." : "No note on " + name + ".");
        if (removed) {
            save(gui, file);
        }
        return;
    }
    const NoteOutcome outcome = player_notes().keep(name, text);
    say(gui, outcome.message);
    if (outcome.accepted) {
        save(gui, file);
    }
}

std::string unreadable_warning(const std::filesystem::path& file,
                               const std::vector<std::string>& lines,
                               const std::vector<std::size_t>& unreadable) {
    std::string named;
    for (std::size_t index = 0; index < unreadable.size() && index < NAMED_LINES; ++index) {
        named += (index > 0 ? ", line " : "line ") + std::to_string(unreadable[index] + 1) + " " +
                 quoted_line(lines[unreadable[index]], NAMED_LINE_BYTES);
    }
    if (unreadable.size() > NAMED_LINES) {
        named += " and " + std::to_string(unreadable.size() - NAMED_LINES) + " more";
    }
    return file.string() + ": " + std::to_string(unreadable.size()) +
           (unreadable.size() == 1 ? " line cannot be read and is"
                                   : " lines cannot be read and are") +
           " skipped: " + named + ". Each line is a player's NAME, a space and the note, at most " +
           std::to_string(MAX_NOTE_BYTES) + " bytes without control bytes.\n";
}

}  // namespace

PlayerNotes& player_notes() {
    static PlayerNotes notes;
    return notes;
}

std::optional<std::filesystem::path> notes_file(const std::string& server_folder) {
    return get_config_file(server_folder, NOTES_FILE);
}

void load_notes(std::optional<std::filesystem::path>& file, std::ostream& warnings) {
    if (!file) {
        return;
    }
    const std::optional<std::vector<std::string>> read = read_numbered_list(*file, warnings);
    if (!read) {
        file.reset();
        return;
    }
    const std::vector<std::string>& lines = *read;
    const std::vector<std::size_t> unreadable = player_notes().from_lines(lines);
    if (!unreadable.empty()) {
        warnings << unreadable_warning(*file, lines, unreadable);
    }
}

void register_note_commands(qvchat2gui::ChatGUI* gui,
                            const std::optional<std::filesystem::path>& file) {
    gui->add_callback(
        "note", [gui, file](const std::string& argument) { note_command(gui, file, argument); });
    gui->add_callback("notes", [gui](const std::string& /*argument*/) { list_notes(gui); });
    gui->add_command_word_source("note", [gui] {
        std::vector<std::string> names;
        for (PlayerNote& note : player_notes().entries()) {
            names.push_back(std::move(note.name));
        }
        const std::vector<std::string> usual = gui->names_to_complete();
        names.insert(names.end(), usual.begin(), usual.end());
        return names;
    });
}

void say_notes_on_nearby_players(qvchat2gui::ChatGUI* gui, const std::vector<std::string>& nearby) {
    std::set<std::string> said;
    for (const std::string& name : nearby) {
        const std::optional<PlayerNote> note = player_notes().note_on(name);
        if (note && said.insert(*comparable_player_name(note->name)).second) {
            gui->add_client_line(note_line(*note));
        }
    }
}

void say_note_after_private_message(qvchat2gui::ChatGUI* gui, const std::string& sender) {
    if (const std::optional<PlayerNote> note = player_notes().note_for_first_message(sender)) {
        gui->add_client_line(note_line(*note));
    }
}

}  // namespace qvchat2
