// The name-list files (ignored names, highlight words, muted channels) that the user may also
// edit by hand: reading any contents gives what a plain reading of the file rules gives, and a
// list saved reads back as it was.
//
// Input: one byte, the separator that cuts the rest into the entries of a list to save; the
// rest is also the contents of a name-list file.

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "app/name_list_file.h"
#include "fuzz/check.h"

namespace {

using qvfuzz::check;

// The lines of `text`, cut at line feeds, the carriage returns at the end of each dropped; an
// unterminated last line counts too.
std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        std::string line = text.substr(start, end - start);
        while (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

// A line that is UTF-8 as the game's single-byte text, decoded code point by code point.
std::optional<std::string> from_utf8(const std::string& line) {
    std::string text;
    std::size_t at = 0;
    while (at < line.size()) {
        const auto lead = static_cast<unsigned char>(line[at]);
        const std::size_t length = lead < 0x80   ? 1
                                   : lead < 0xC0 ? 0
                                   : lead < 0xE0 ? 2
                                   : lead < 0xF0 ? 3
                                   : lead < 0xF8 ? 4
                                                 : 0;
        if (length == 0 || at + length > line.size()) {
            return std::nullopt;
        }
        std::uint32_t code = length == 1 ? lead : lead & (0x7FU >> length);
        for (std::size_t next = 1; next < length; ++next) {
            const auto byte = static_cast<unsigned char>(line[at + next]);
            if ((byte & 0xC0U) != 0x80U) {
                return std::nullopt;
            }
            code = (code << 6U) | (byte & 0x3FU);
        }
        const std::uint32_t lowest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (code < lowest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            return std::nullopt;
        }
        text += code <= 0xFF ? static_cast<char>(code) : '?';
        at += length;
    }
    return text;
}

// What reading a name list gives: the last lines of the file (blank ones counted, then left
// out), each decoded from UTF-8 when it is UTF-8 and taken as Latin-1 when not.
std::vector<std::string> read_model(const std::string& contents) {
    std::vector<std::string> lines = lines_of(contents);
    if (lines.size() > qvchat2::MAX_NAME_LIST_ENTRIES) {
        lines.erase(lines.begin(), lines.end() - qvchat2::MAX_NAME_LIST_ENTRIES);
    }
    std::vector<std::string> entries;
    for (const std::string& line : lines) {
        if (!line.empty()) {
            entries.push_back(from_utf8(line).value_or(line));
        }
    }
    return entries;
}

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = std::min(text.find(separator, start), text.size());
        parts.push_back(text.substr(start, end - start));
        if (end == text.size()) {
            return parts;
        }
        start = end + 1;
    }
}

// Whether a list entry can stand in the file as one line of its own.
bool is_one_line(const std::string& entry) {
    return !entry.empty() && entry.find('\n') == std::string::npos && entry.back() != '\r';
}

class ListFolder {
public:
    ListFolder() {
        // tmpfs where there is one: every save syncs the file.
        std::string pattern = std::filesystem::exists("/dev/shm") ? "/dev/shm/qvchat-fuzz-XXXXXX"
                                                                  : "/tmp/qvchat-fuzz-XXXXXX";
        check(::mkdtemp(pattern.data()) != nullptr, "a folder for the lists can be made");
        folder = pattern;
    }
    ~ListFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
    ListFolder(const ListFolder&) = delete;
    ListFolder& operator=(const ListFolder&) = delete;

    std::filesystem::path file(const char* name) const { return folder / name; }

    void write(const std::filesystem::path& file, const std::string& contents) const {
        const int descriptor = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        check(descriptor >= 0 && ::write(descriptor, contents.data(), contents.size()) ==
                                     static_cast<ssize_t>(contents.size()),
              "the list file takes the contents");
        ::close(descriptor);
    }

private:
    std::filesystem::path folder;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const ListFolder folder;
    if (size < 1) {
        return 0;
    }
    const std::string contents(reinterpret_cast<const char*>(data) + 1, size - 1);

    const auto edited = folder.file("edited.txt");
    folder.write(edited, contents);
    const qvchat2::NameListRead read = qvchat2::load_name_list(edited);
    check(read.problem.empty(), "a regular file is read without a problem");
    check(read.lines == read_model(contents), "a name list reads as the file rules say");

    const std::vector<std::string> entries = split(contents, static_cast<char>(data[0]));
    const auto saved = folder.file("saved.txt");
    std::string error;
    check(qvchat2::save_name_list(saved, entries, error) && error.empty(),
          "a name list can be saved");
    const qvchat2::NameListRead back = qvchat2::load_name_list(saved);
    check(back.problem.empty(), "a saved name list is read without a problem");
    if (std::all_of(entries.begin(), entries.end(), is_one_line)) {
        const std::size_t first = entries.size() > qvchat2::MAX_NAME_LIST_ENTRIES
                                      ? entries.size() - qvchat2::MAX_NAME_LIST_ENTRIES
                                      : 0;
        check(back.lines == std::vector<std::string>(entries.begin() + static_cast<long>(first),
                                                     entries.end()),
              "the entries saved read back the same");
    }
    check(qvchat2::save_name_list(saved, back.lines, error) &&
              qvchat2::load_name_list(saved).lines == back.lines,
          "a list read back is saved and read again unchanged");
    return 0;
}
