#include "app/name_list_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <deque>
#include <optional>
#include <ostream>
#include <system_error>

namespace qvchat2 {

namespace {

constexpr mode_t PRIVATE_FILE_MODE = 0600;
constexpr char32_t HIGHEST_CODE_POINT = 0x10FFFF;
constexpr char32_t FIRST_SURROGATE = 0xD800;
constexpr char32_t LAST_SURROGATE = 0xDFFF;
constexpr char32_t HIGHEST_LATIN1 = 0xFF;
constexpr char32_t LINE_SEPARATOR = 0x2028;

std::string error_text(int error_number) {
    return std::generic_category().message(error_number);
}

// Closes a descriptor when it goes.
class Descriptor {
public:
    explicit Descriptor(int descriptor) : descriptor(descriptor) {}
    ~Descriptor() {
        if (descriptor >= 0) {
            ::close(descriptor);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int get() const { return descriptor; }

private:
    const int descriptor;
};

// Reads up to `limit` bytes, fewer at the end of the file. False, with the reason in `problem`,
// on a read error.
bool read_up_to(int descriptor, std::size_t limit, std::string& text, std::string& problem) {
    text.resize(limit);
    std::size_t filled = 0;
    while (filled < limit) {
        const ssize_t got = ::read(descriptor, &text[filled], limit - filled);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            problem = error_text(errno);
            return false;
        }
        if (got == 0) {
            break;
        }
        filled += static_cast<std::size_t>(got);
    }
    text.resize(filled);
    return true;
}

// The whole lines among the last `max_bytes` of a regular file of `size` bytes.
bool read_tail(int descriptor, off_t size, std::size_t max_bytes, std::string& text,
               std::string& problem) {
    if (size <= static_cast<off_t>(max_bytes)) {
        // The size it has, not the bound: a list of a few names costs a few bytes, not a MiB.
        return read_up_to(descriptor, static_cast<std::size_t>(size), text, problem);
    }
    // One byte more: when it is a line feed, the tail begins with a whole line.
    const off_t start = size - static_cast<off_t>(max_bytes) - 1;
    if (::lseek(descriptor, start, SEEK_SET) < 0) {
        problem = error_text(errno);
        return false;
    }
    if (!read_up_to(descriptor, max_bytes + 1, text, problem)) {
        return false;
    }
    const auto first_line_end = text.find('\n');
    text.erase(0, first_line_end == std::string::npos ? text.size() : first_line_end + 1);
    return true;
}

// The last `max_lines` lines of `text`, without their line feeds and carriage returns; an
// unterminated last line counts too.
std::deque<std::string> last_lines(const std::string& text, std::size_t max_lines) {
    std::deque<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        auto end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string line = text.substr(start, end - start);
        // All of them: a line kept with one would lose it when saved and read again.
        while (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(std::move(line));
        if (lines.size() > max_lines) {
            lines.pop_front();
        }
        start = end + 1;
    }
    return lines;
}

// A UTF-8 line as the game's single-byte text: a character beyond Latin-1 becomes "?", the line
// separator a line feed when `line_breaks` says so. None when the line is not UTF-8 (overlong
// forms and surrogates are not).
std::optional<std::string> latin1_from_utf8(const std::string& line, bool line_breaks) {
    std::string text;
    for (std::size_t index = 0; index < line.size();) {
        const auto lead = static_cast<unsigned char>(line[index]);
        std::size_t length = 1;
        char32_t character = lead;
        char32_t lowest = 0;
        if (lead >= 0xC0 && lead < 0xE0) {
            length = 2;
            character = lead & 0x1FU;
            lowest = 0x80;
        } else if (lead >= 0xE0 && lead < 0xF0) {
            length = 3;
            character = lead & 0x0FU;
            lowest = 0x800;
        } else if (lead >= 0xF0 && lead < 0xF8) {
            length = 4;
            character = lead & 0x07U;
            lowest = 0x10000;
        } else if (lead >= 0x80) {
            return std::nullopt;
        }
        if (line.size() - index < length) {
            return std::nullopt;
        }
        for (std::size_t follow = 1; follow < length; ++follow) {
            const auto byte = static_cast<unsigned char>(line[index + follow]);
            if ((byte & 0xC0U) != 0x80U) {
                return std::nullopt;
            }
            character = (character << 6U) | (byte & 0x3FU);
        }
        if (character < lowest || character > HIGHEST_CODE_POINT ||
            (character >= FIRST_SURROGATE && character <= LAST_SURROGATE)) {
            return std::nullopt;
        }
        if (character <= HIGHEST_LATIN1) {
            text += static_cast<char>(character);
        } else {
            text += line_breaks && character == LINE_SEPARATOR ? '\n' : '?';
        }
        index += length;
    }
    return text;
}

bool write_all(int descriptor, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t written = ::write(descriptor, text.data() + done, text.size() - done);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written == 0) {
            errno = EIO;  // a write that takes nothing sets no error of its own
        }
        if (written <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(written);
    }
    return true;
}

}  // namespace

std::vector<std::string> read_text_lines(const std::filesystem::path& file, std::size_t max_bytes,
                                         std::size_t max_lines, std::string& problem,
                                         LineSeparators separators) {
    std::vector<std::string> lines;
    // Without O_NONBLOCK, opening a pipe would wait for a writer that never comes.
    const Descriptor opened(::open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (opened.get() < 0) {
        if (errno == ELOOP) {
            problem = "it is a symbolic link, which is not followed";
        } else if (errno != ENOENT && errno != ENOTDIR) {
            // A file or folder that is not there yet is nothing saved yet: the logs of a data
            // folder that cannot be made are dropped without a word, and so is this.
            problem = error_text(errno);
        }
        return lines;
    }
    struct stat status {};
    if (::fstat(opened.get(), &status) != 0) {
        problem = error_text(errno);
        return lines;
    }
    if (!S_ISREG(status.st_mode)) {
        problem = "it is not a regular file";
        return lines;
    }
    std::string text;
    if (!read_tail(opened.get(), status.st_size, max_bytes, text, problem)) {
        return lines;
    }
    for (std::string& line : last_lines(text, max_lines)) {
        auto decoded = latin1_from_utf8(line, separators == LineSeparators::as_line_feeds);
        lines.push_back(decoded ? std::move(*decoded) : std::move(line));
    }
    return lines;
}

void append_as_utf8(const std::string& latin1, std::string& text) {
    for (const char character : latin1) {
        const auto byte = static_cast<unsigned char>(character);
        if (character == '\n') {
            text += LINE_SEPARATOR_UTF8;
        } else if (byte < 0x80) {
            text += character;
        } else {
            text += static_cast<char>(0xC0U | (byte >> 6U));
            text += static_cast<char>(0x80U | (byte & 0x3FU));
        }
    }
}

bool write_text_file(const std::filesystem::path& file, const std::string& text,
                     std::string& error) {
    // A fresh name made with O_EXCL: whatever someone planted beside the file is never opened.
    std::string temporary = file.string() + ".XXXXXX";
    const int descriptor = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (descriptor < 0) {
        error = error_text(errno);
        return false;
    }
    bool written = ::fchmod(descriptor, PRIVATE_FILE_MODE) == 0 && write_all(descriptor, text) &&
                   ::fsync(descriptor) == 0;
    if (!written) {
        error = error_text(errno);
    }
    if (::close(descriptor) != 0 && written) {
        error = error_text(errno);
        written = false;
    }
    if (written && ::rename(temporary.c_str(), file.c_str()) != 0) {
        error = error_text(errno);
        written = false;
    }
    if (!written) {
        ::unlink(temporary.c_str());
    }
    return written;
}

NameListRead load_name_list(const std::filesystem::path& file) {
    NameListRead read;
    std::string problem;
    // Blank lines count towards the bound, so that a file of blank lines costs little to read.
    for (std::string& line :
         read_text_lines(file, MAX_NAME_LIST_FILE_BYTES, MAX_NAME_LIST_ENTRIES, problem)) {
        if (!line.empty()) {
            read.lines.push_back(std::move(line));
        }
    }
    if (!problem.empty()) {
        read.problem = "Cannot read " + file.string() + ": " + problem + ".";
    }
    return read;
}

bool save_name_list(const std::filesystem::path& file, const std::vector<std::string>& lines,
                    std::string& error) {
    std::string text;
    // The last ones, which are the ones read back.
    const std::size_t first =
        lines.size() > MAX_NAME_LIST_ENTRIES ? lines.size() - MAX_NAME_LIST_ENTRIES : 0;
    for (std::size_t index = first; index < lines.size(); ++index) {
        append_as_utf8(lines[index], text);
        text += '\n';
    }
    return write_text_file(file, text, error);
}

std::optional<std::vector<std::string>> read_numbered_list(const std::filesystem::path& file,
                                                           std::ostream& warnings) {
    std::string problem;
    std::vector<std::string> lines =
        read_text_lines(file, MAX_NAME_LIST_FILE_BYTES, MAX_NAME_LIST_ENTRIES, problem);
    if (!problem.empty()) {
        warnings << "Cannot read " << file.string() << ": " << problem
                 << ". It is not used in this run, and changes to it are not saved: make it a "
                    "regular file that you can read and write, or remove it.\n";
        return std::nullopt;
    }
    return lines;
}

}  // namespace qvchat2
