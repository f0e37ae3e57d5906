#pragma once

#include <optional>
#include <string>

// The words of "#help COMMAND": what each local command does.
namespace qvchat2gui {

// What the local command `word` (lower case, without its "#") does, in one line that starts with
// its usage; nothing for a word that is no local command of any front-end.
std::optional<std::string> command_description(const std::string& word);

}  // namespace qvchat2gui
