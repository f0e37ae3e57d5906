#pragma once

#include <optional>
#include <string>

// The words of "#help": what each local command does, and the line that names the keys.
namespace qvchat2gui {

// What the local command `word` (lower case, without its "#") does, in one line that starts with
// its usage; nothing for a word that is no local command of any front-end.
std::optional<std::string> command_description(const std::string& word);

// The line after the list of commands: what the list does not tell. `reading_keys`: the
// front-end has Alt-P, Alt-N, Alt-U and Alt-= (the curses screen).
std::string help_keys_line(bool reading_keys);

}  // namespace qvchat2gui
