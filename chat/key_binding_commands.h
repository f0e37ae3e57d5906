#pragma once

#include <filesystem>
#include <optional>
#include <ostream>

#include "gui/common_gui.h"

namespace qvchat2 {

// The key bindings' file, in the data folder: one for every server.
constexpr char KEY_BINDINGS_FILE[] = "keys.txt";

// Reads the bindings of earlier runs into the front-end's; each line that cannot be used is named
// with the file and its line on `warnings` and skipped. A file that cannot be read is named and
// left alone: `file` is cleared, so that nothing is saved over it.
void load_key_bindings(qvchat2gui::ChatGUI& gui, std::optional<std::filesystem::path>& file,
                       std::ostream& warnings);

// Adds #bind and #unbind; each change is saved at once when there is a file.
void register_key_binding_commands(qvchat2gui::ChatGUI* gui,
                                   const std::optional<std::filesystem::path>& file);

}  // namespace qvchat2
