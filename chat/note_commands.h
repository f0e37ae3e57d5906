#pragma once

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "chat/player_notes.h"
#include "gui/common_gui.h"

namespace qvchat2 {

// The user's notes on players, shared by #note (main thread), #look and the handler of private
// messages (dispatch threads); it guards itself.
PlayerNotes& player_notes();

// notes.txt of the server's folder; none: the notes are not kept between runs.
std::optional<std::filesystem::path> notes_file(const std::string& server_folder);

// Reads the notes of earlier runs. The lines that cannot be read are named, with their numbers,
// in one warning and skipped; a file that cannot be read at all gets one warning and is neither
// used nor written in this run (its path is dropped from `file`).
void load_notes(std::optional<std::filesystem::path>& file, std::ostream& warnings);

// Adds #note and #notes, each change saved at once to `file`, and the names Tab offers after
// #note: the noted players, then those the front-end offers everywhere.
void register_note_commands(qvchat2gui::ChatGUI* gui,
                            const std::optional<std::filesystem::path>& file);

// After #look's lines: one line for each noted player among `nearby`, in their order.
void say_notes_on_nearby_players(qvchat2gui::ChatGUI* gui, const std::vector<std::string>& nearby);

// After a private message received from `sender` is shown: the note on them, the first time in
// this run. Any thread.
void say_note_after_private_message(qvchat2gui::ChatGUI* gui, const std::string& sender);

}  // namespace qvchat2
