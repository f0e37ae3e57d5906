#pragma once

#include <cstddef>
#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace qvchat2 {

// Where a server's input history is kept, in its data folder.
constexpr char INPUT_HISTORY_FILE[] = "input_history.txt";
// The most entries read and saved: the newest.
constexpr std::size_t SAVED_HISTORY_ENTRIES = 1000;
// The most of a history file read: its end.
constexpr std::size_t MAX_HISTORY_FILE_BYTES = std::size_t{1} << 20;

// A saved history as read.
struct SavedHistory {
    std::vector<std::string> entries;  // oldest first, in the game's single-byte text
    std::string problem;  // why the file cannot be used; empty when it can or is absent
};

// Reads a saved history, one entry per line in UTF-8 (a line that is not UTF-8 is taken as
// Latin-1, as older files were written; the line breaks of an entry of several lines are written
// as the Unicode line separator, which no older entry can hold): the newest SAVED_HISTORY_ENTRIES
// whole lines of its last MAX_HISTORY_FILE_BYTES. Only a regular file is read; a symbolic link is
// not followed, and nothing waits on a pipe or a device. A file that is not there gives no entries
// and no problem.
SavedHistory load_input_history(const std::filesystem::path& file);

// The saved entries for this run. A file that cannot be used is named with its problem on
// `warnings` and left alone: no entries, and `file` is cleared so that nothing is saved over it.
std::vector<std::string> load_history_for_run(std::optional<std::filesystem::path>& file,
                                              std::ostream& warnings);

// Writes the newest SAVED_HISTORY_ENTRIES entries, one per line in UTF-8, readable by the user
// alone. They go to a new file of a fresh name beside `file` that then replaces it, so a failure
// never leaves half a history and nothing planted in the folder is written through. False, with
// the reason in `error`, when it cannot be written.
bool save_input_history(const std::filesystem::path& file, const std::vector<std::string>& entries,
                        std::string& error);

}  // namespace qvchat2
