#pragma once

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>

#include "gui/common_gui.h"
#include "gui/spelling/spelling_state.h"

namespace qvchat2 {

// The words the user taught the spelling, in the server's folder: spell.txt; none: not kept.
std::optional<std::filesystem::path> learned_words_file(const std::string& server_folder);

// Reads the words learned in earlier runs into `spelling`. A file that cannot be read gets one
// warning and is left alone: it is dropped from `file`, so this run neither reads nor writes it.
void load_learned_words(std::optional<std::filesystem::path>& file,
                        qvchat2gui::SpellingState& spelling, std::ostream& warnings);

// Adds #spell (what spelling is in use), #spell add WORD and #spell remove WORD, each change saved
// at once in `file`. The commands run on the main thread, as the key loop that reads `spelling`
// does; `spelling` outlives the front-end's commands.
void register_spell_commands(qvchat2gui::ChatGUI* gui, qvchat2gui::SpellingState& spelling,
                             const std::optional<std::filesystem::path>& file);

}  // namespace qvchat2
