#pragma once

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>

#include "chat/trigger_list.h"
#include "gui/common_gui.h"

namespace qvchat2 {

// The triggers of this run, shared by the message handlers (any dispatch thread), which ask
// match of each received line, and the commands (the main thread).
TriggerList& triggers();

// Reads triggers.txt of the server's folder into `list`. Each line that cannot be read (it does
// not parse or compile) is named in a warning of its own, with its number among the lines read
// and why, and skipped; the first few are named, then how many more. Returns where changes are
// saved: nothing when there is no data folder, or when the file cannot be read at all (one
// warning, and it is not written in this run).
std::optional<std::filesystem::path> load_triggers(TriggerList& list,
                                                   const std::string& server_folder,
                                                   std::ostream& warnings);

// Adds #trigger and #untrigger; each change is saved to `file` at once, a failure said in a line.
void register_trigger_commands(qvchat2gui::ChatGUI* gui, TriggerList& list,
                               const std::optional<std::filesystem::path>& file);

}  // namespace qvchat2
