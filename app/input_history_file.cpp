#include "app/input_history_file.h"

#include <ostream>

#include "app/name_list_file.h"

namespace qvchat2 {

SavedHistory load_input_history(const std::filesystem::path& file) {
    SavedHistory saved;
    saved.entries = read_text_lines(file, MAX_HISTORY_FILE_BYTES, SAVED_HISTORY_ENTRIES,
                                    saved.problem, LineSeparators::as_line_feeds);
    return saved;
}

std::vector<std::string> load_history_for_run(std::optional<std::filesystem::path>& file,
                                              std::ostream& warnings) {
    if (!file) {
        return {};
    }
    SavedHistory saved = load_input_history(*file);
    if (!saved.problem.empty()) {
        warnings << "Cannot use the input history " << file->string() << ": " << saved.problem
                 << ". It is left as it is, and the lines of this run are not saved: make it a "
                    "regular file that you can read and write, or remove it.\n";
        file.reset();
    }
    return std::move(saved.entries);
}

bool save_input_history(const std::filesystem::path& file, const std::vector<std::string>& entries,
                        std::string& error) {
    const std::size_t first =
        entries.size() > SAVED_HISTORY_ENTRIES ? entries.size() - SAVED_HISTORY_ENTRIES : 0;
    std::string text;
    for (std::size_t index = first; index < entries.size(); ++index) {
        append_as_utf8(entries[index], text);
        text += '\n';
    }
    return write_text_file(file, text, error);
}

}  // namespace qvchat2
