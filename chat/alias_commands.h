#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "chat/alias_table.h"
#include "gui/common_gui.h"

namespace qvchat2 {

// The aliases of this run and where they are kept between runs (none: not kept). The key loop's
// alone: #alias, #unalias, the typed lines that call an alias and Tab all run there.
struct SavedAliases {
    AliasTable table;
    std::optional<std::filesystem::path> file;
};

// Reads alias.txt of the server's folder. The lines that cannot be read are named in one warning
// and skipped; a file that cannot be read at all gets one warning and is neither used nor written
// in this run.
std::shared_ptr<SavedAliases> load_aliases(const std::string& server_folder,
                                           std::ostream& warnings);

// Adds #alias and #unalias and expands the typed lines that call an alias; each change is saved
// at once. Added after every other command, whose names an alias cannot take: an alias of the
// file named as a command is dropped, with a line saying so. `own_name` is what $me stands for.
void register_alias_commands(qvchat2gui::ChatGUI* gui, const std::shared_ptr<SavedAliases>& aliases,
                             std::function<std::string()> own_name);

}  // namespace qvchat2
