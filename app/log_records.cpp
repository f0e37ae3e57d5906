#include "app/log_records.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <system_error>

namespace qvchat2 {

namespace {

constexpr std::array<std::string_view, 7> WEEKDAYS{"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr std::array<std::string_view, 12> MONTHS{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                  "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
// Beyond the longest "%c" date that can be read; a '>' further on does not end a date.
constexpr std::size_t LONGEST_STAMP = 40;
constexpr char CUT_MARK[] = "...";

std::string error_text(int error) {
    return std::generic_category().message(error);
}

bool is_shown_control(unsigned char byte) {
    return byte < 0x20 || (byte >= 0x7F && byte <= 0x9F);
}

// Reads the date field by field; the C form pads the day with a space, other forms may not.
class DateFields {
public:
    explicit DateFields(std::string_view date) : rest(date) {}

    // The index of the three-letter name at the front among `names`, or -1.
    template <std::size_t N>
    int name(const std::array<std::string_view, N>& names) {
        for (std::size_t i = 0; i < N; ++i) {
            if (rest.substr(0, 3) == names[i]) {
                rest.remove_prefix(3);
                return static_cast<int>(i);
            }
        }
        return -1;
    }

    // A number of 1 to `most_digits` digits, or -1.
    std::int64_t number(std::size_t most_digits) {
        std::size_t digits = 0;
        std::int64_t value = 0;
        while (digits < rest.size() && digits < most_digits && rest[digits] >= '0' &&
               rest[digits] <= '9') {
            value = value * 10 + (rest[digits] - '0');
            ++digits;
        }
        rest.remove_prefix(digits);
        return digits == 0 ? -1 : value;
    }

    bool spaces() {
        const std::size_t count = rest.find_first_not_of(' ');
        if (count == 0 || count == std::string_view::npos) {
            return false;
        }
        rest.remove_prefix(count);
        return true;
    }

    bool take(char wanted) {
        if (rest.empty() || rest.front() != wanted) {
            return false;
        }
        rest.remove_prefix(1);
        return true;
    }

    bool at_end() const { return rest.empty(); }

private:
    std::string_view rest;
};

}  // namespace

std::optional<std::int64_t> log_date_moment(std::string_view date) {
    DateFields fields(date);
    if (fields.name(WEEKDAYS) < 0 || !fields.spaces()) {
        return std::nullopt;
    }
    const int month = fields.name(MONTHS);
    if (month < 0 || !fields.spaces()) {
        return std::nullopt;
    }
    const std::int64_t day = fields.number(2);
    if (!fields.spaces()) {
        return std::nullopt;
    }
    const std::int64_t hour = fields.number(2);
    const bool colon1 = fields.take(':');
    const std::int64_t minute = fields.number(2);
    const bool colon2 = fields.take(':');
    const std::int64_t second = fields.number(2);
    if (!colon1 || !colon2 || !fields.spaces()) {
        return std::nullopt;
    }
    const std::int64_t year = fields.number(6);
    if (!fields.at_end() || day < 1 || day > 31 || hour < 0 || hour > 23 || minute < 0 ||
        minute > 59 || second < 0 || second > 60 || year < 0) {
        return std::nullopt;
    }
    // Not seconds since an epoch: only the order matters, and local time has no gaps to mind.
    return ((((year * 12 + month) * 31 + day) * 24 + hour) * 60 + minute) * 61 + second;
}

LogLine split_log_line(std::string_view line) {
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    if (line.size() > 2 && line.front() == '<') {
        const std::size_t close = line.substr(0, LONGEST_STAMP).find('>');
        if (close != std::string_view::npos) {
            const std::string_view stamp = line.substr(1, close - 1);
            if (const auto moment = log_date_moment(stamp)) {
                std::string_view text = line.substr(close + 1);
                if (!text.empty() && text.front() == ' ') {
                    text.remove_prefix(1);
                }
                return {stamp, text, moment};
            }
        }
    }
    return {{}, line, std::nullopt};
}

std::string shown_log_text(std::string_view text) {
    const bool cut = text.size() > SHOWN_TEXT_LIMIT;
    std::string shown(cut ? text.substr(0, SHOWN_TEXT_LIMIT) : text);
    for (char& byte : shown) {
        if (is_shown_control(static_cast<unsigned char>(byte))) {
            byte = '?';
        }
    }
    if (cut) {
        shown += CUT_MARK;
    }
    return shown;
}

LogMatch shown_log_record(const LogLine& line) {
    return {shown_log_text(line.stamp), shown_log_text(line.text)};
}

LogFileReader::LogFileReader(const std::filesystem::path& file) {
    descriptor = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) {
        absent = errno == ENOENT;
        failure = error_text(errno);
        return;
    }
    struct stat status {};
    if (::fstat(descriptor, &status) != 0) {
        failure = error_text(errno);
    } else if (S_ISDIR(status.st_mode)) {
        failure = "it is a folder";
    } else if (!S_ISREG(status.st_mode)) {
        failure = "it is not a regular file";
    }
    if (!failure.empty()) {
        ::close(descriptor);
        descriptor = -1;
        return;
    }
    file_size = static_cast<std::uint64_t>(status.st_size);
}

LogFileReader::~LogFileReader() {
    if (descriptor >= 0) {
        ::close(descriptor);
    }
}

std::int64_t LogFileReader::read(char* into, std::size_t length) {
    for (;;) {
        const ssize_t count = ::read(descriptor, into, length);
        if (count >= 0 || errno != EINTR) {
            if (count < 0) {
                failure = error_text(errno);
            }
            return count;
        }
    }
}

std::int64_t LogFileReader::read_at(char* into, std::size_t length, std::uint64_t offset) {
    for (;;) {
        const ssize_t count = ::pread(descriptor, into, length, static_cast<off_t>(offset));
        if (count >= 0 || errno != EINTR) {
            if (count < 0) {
                failure = error_text(errno);
            }
            return count;
        }
    }
}

}  // namespace qvchat2
