#pragma once

#include <cstddef>
#include <filesystem>
#include <vector>

#include "gui/common_gui.h"

namespace qvchat2 {

// Adds "#logs TEXT" (and "#logs /REGEX/"): searches these log files, the chat log first, on a
// thread of their own and shows the newest matches with their time stamps.
void register_log_commands(qvchat2gui::ChatGUI* gui, std::vector<std::filesystem::path> logs);

// Shows the last `count` records of the chat log in grey, between a rule that names the log and
// one that says where now begins; nothing when it holds none. They are neither logged again nor
// counted as new.
void show_backlog(qvchat2gui::ChatGUI* gui, const std::filesystem::path& chat_log,
                  std::size_t count);

}  // namespace qvchat2
