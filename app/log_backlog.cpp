#include "app/log_backlog.h"

#include <string.h>  // memrchr

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string_view>

namespace qvchat2 {

namespace {

// The tail is read in growing steps, so that the usual few records cost one small read and the
// whole tail is scanned at most about twice.
constexpr std::size_t FIRST_READ = std::size_t{64} << 10;
constexpr std::size_t READ_BOUND = std::size_t{4} << 20;

// The records wholly within `tail`, newest first, up to `count`. The first line is whole only
// when `tail` starts at the start of the file.
std::vector<LogLine> newest_records(std::string_view tail, bool from_file_start,
                                    std::size_t count) {
    std::vector<LogLine> records;
    std::size_t end = tail.size();
    if (end > 0 && tail[end - 1] == '\n') {
        --end;  // the empty "line" after the last line feed
    }
    while (records.size() < count) {
        const void* found = ::memrchr(tail.data(), '\n', end);
        if (found == nullptr && !from_file_start) {
            break;
        }
        const std::size_t start =
            found == nullptr
                ? 0
                : static_cast<std::size_t>(static_cast<const char*>(found) - tail.data()) + 1;
        const LogLine record = split_log_line(tail.substr(start, end - start));
        if (record.moment || !record.text.empty()) {
            records.push_back(record);
        }
        if (found == nullptr) {
            break;
        }
        end = start - 1;
    }
    return records;
}

// Reads `length` bytes at `offset` whole; false on an error or when the file has become shorter.
bool read_whole(LogFileReader& reader, char* into, std::size_t length, std::uint64_t offset) {
    std::size_t got = 0;
    while (got < length) {
        const std::int64_t count = reader.read_at(into + got, length - got, offset + got);
        if (count <= 0) {
            return false;
        }
        got += static_cast<std::size_t>(count);
    }
    return true;
}

}  // namespace

std::vector<LogMatch> read_last_records(const std::filesystem::path& file, std::size_t count) {
    count = std::min(count, MOST_BACKLOG_RECORDS);
    if (count == 0) {
        return {};
    }
    LogFileReader reader(file);
    if (!reader.is_open() || reader.size() == 0) {
        return {};
    }
    const std::uint64_t size = reader.size();
    const auto bound = static_cast<std::size_t>(std::min<std::uint64_t>(size, READ_BOUND));
    // Filled from its end towards its start, as the file is read backwards.
    const std::unique_ptr<char[]> tail(new char[bound]);
    std::size_t held = 0;
    std::vector<LogLine> records;
    for (std::size_t wanted = std::min(FIRST_READ, bound);; wanted = std::min(wanted * 2, bound)) {
        char* const front = tail.get() + (bound - wanted);
        if (!read_whole(reader, front, wanted - held, size - wanted)) {
            return {};
        }
        held = wanted;
        records = newest_records({front, held}, held == size, count);
        if (records.size() == count || held == bound) {
            break;
        }
    }
    std::vector<LogMatch> shown;
    shown.reserve(records.size());
    for (auto record = records.rbegin(); record != records.rend(); ++record) {
        shown.push_back(shown_log_record(*record));
    }
    return shown;
}

}  // namespace qvchat2
