#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

namespace qvchat2 {

// Where a server's input history is kept, in its data folder.
constexpr char INPUT_HISTORY_FILE[] = "input_history.txt";
// The most entries saved: the newest.
constexpr std::size_t SAVED_HISTORY_ENTRIES = 1000;

// The entries of a saved history, oldest first, one per line of the file: the newest
// SAVED_HISTORY_ENTRIES. Nothing when the file cannot be read.
std::vector<std::string> load_input_history(const std::filesystem::path& file);

// Writes the newest SAVED_HISTORY_ENTRIES entries, one per line, readable by the user alone. The
// file is written beside its place and then renamed, so a failure never leaves half a history.
// False, with the reason in `error`, when it cannot be written.
bool save_input_history(const std::filesystem::path& file, const std::vector<std::string>& entries,
                        std::string& error);

}  // namespace qvchat2
