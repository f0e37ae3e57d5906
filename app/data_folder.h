#pragma once

#include <filesystem>
#include <optional>

namespace qvchat2 {

// The user's documents folder: $XDG_DOCUMENTS_DIR, else the XDG_DOCUMENTS_DIR entry of
// user-dirs.dirs in $XDG_CONFIG_HOME (default ~/.config), else Documents in the home folder
// ($HOME, or the password database's entry when HOME is unset). Only absolute paths count; none
// when nothing usable is found.
std::optional<std::filesystem::path> documents_folder();

// Creates every missing folder of `folder` with access for the user alone; folders that exist
// keep their modes. True when `folder` is a folder afterwards.
bool create_private_folders(const std::filesystem::path& folder);

}  // namespace qvchat2
