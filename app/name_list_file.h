#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace qvchat2 {

// Small text files of the per-server folder that the user may also edit: the ignored names, the
// highlight words and the muted channels, one entry a line, and the input history.

// The most lines read and saved of a name list.
constexpr std::size_t MAX_NAME_LIST_ENTRIES = 1000;
// The most of a name list read: its end.
constexpr std::size_t MAX_NAME_LIST_FILE_BYTES = std::size_t{1} << 20;

// A name list as read.
struct NameListRead {
    std::vector<std::string> lines;  // in the game's single-byte text, blank lines left out
    std::string
        problem;  // names the file and says why it cannot be used; empty when it can or is absent
};

// Reads the last MAX_NAME_LIST_ENTRIES lines of a name list with read_text_lines, without the blank
// ones among them. A file that is not there is an empty list.
NameListRead load_name_list(const std::filesystem::path& file);

// The last MAX_NAME_LIST_ENTRIES lines of a list whose lines a warning names by their number, the
// blank ones kept so that the numbers hold. Nothing, with one warning, when the file cannot be
// read: the list is then neither used nor saved in this run.
std::optional<std::vector<std::string>> read_numbered_list(const std::filesystem::path& file,
                                                           std::ostream& warnings);

// Writes the last MAX_NAME_LIST_ENTRIES lines with write_text_file. False, with the reason in
// `error`, when it cannot be written.
bool save_name_list(const std::filesystem::path& file, const std::vector<std::string>& lines,
                    std::string& error);

// How a line of a file may hold a line break of its own: as the Unicode line separator, which the
// game's text cannot hold, so that a line of an older file never reads differently.
constexpr char LINE_SEPARATOR_UTF8[] = "\xE2\x80\xA8";
enum class LineSeparators { as_unknown_characters, as_line_feeds };

// The last `max_lines` whole lines among the last `max_bytes` of `file`, without their line feeds
// and carriage returns, each read as UTF-8 (a line that is not UTF-8 is taken as Latin-1) and
// turned into the game's single-byte text (a character beyond Latin-1 becomes "?"; the line
// separator becomes a line feed where `separators` says so). Only a regular file is read: a
// symbolic link is not followed, and nothing waits on a pipe or a device. A file that is not there
// gives no lines and no problem; else `problem` says why it cannot be read.
std::vector<std::string> read_text_lines(
    const std::filesystem::path& file, std::size_t max_bytes, std::size_t max_lines,
    std::string& problem, LineSeparators separators = LineSeparators::as_unknown_characters);

// Appends game text (Latin-1) to `text` as UTF-8; a line feed in it becomes the line separator.
void append_as_utf8(const std::string& latin1, std::string& text);

// Replaces `file` with `text`, readable by the user alone. The text goes to a new file of a fresh
// name beside it that then replaces it, so a failure never leaves half a file and nothing planted
// in the folder is written through. False, with the reason in `error`, when it cannot be written.
bool write_text_file(const std::filesystem::path& file, const std::string& text,
                     std::string& error);

}  // namespace qvchat2
