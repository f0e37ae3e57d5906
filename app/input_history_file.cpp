#include "app/input_history_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <deque>
#include <fstream>
#include <system_error>

#include "app/text_lines.h"

namespace qvchat2 {

namespace {

constexpr mode_t PRIVATE_FILE_MODE = 0600;

bool write_all(int descriptor, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t written = ::write(descriptor, text.data() + done, text.size() - done);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(written);
    }
    return true;
}

}  // namespace

std::vector<std::string> load_input_history(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::deque<std::string> newest;
    std::string line;
    while (read_text_line(in, line)) {
        newest.push_back(line);
        if (newest.size() > SAVED_HISTORY_ENTRIES) {
            newest.pop_front();
        }
    }
    return {newest.begin(), newest.end()};
}

bool save_input_history(const std::filesystem::path& file, const std::vector<std::string>& entries,
                        std::string& error) {
    const std::size_t first =
        entries.size() > SAVED_HISTORY_ENTRIES ? entries.size() - SAVED_HISTORY_ENTRIES : 0;
    std::string text;
    for (std::size_t index = first; index < entries.size(); ++index) {
        text += entries[index];
        text += '\n';
    }
    std::filesystem::path temporary = file;
    temporary += ".new";
    const int descriptor =
        ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, PRIVATE_FILE_MODE);
    if (descriptor < 0) {
        error = std::generic_category().message(errno);
        return false;
    }
    // An older leftover keeps its mode through O_CREAT; the history is the user's alone.
    bool written = ::fchmod(descriptor, PRIVATE_FILE_MODE) == 0 && write_all(descriptor, text);
    if (!written) {
        error = std::generic_category().message(errno);
    }
    if (::close(descriptor) != 0 && written) {
        error = std::generic_category().message(errno);
        written = false;
    }
    if (written && ::rename(temporary.c_str(), file.c_str()) != 0) {
        error = std::generic_category().message(errno);
        written = false;
    }
    if (!written) {
        ::unlink(temporary.c_str());
    }
    return written;
}

}  // namespace qvchat2
