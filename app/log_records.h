#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// Reading back the records of the chat and server logs: one record a line, "<DATE> TEXT", DATE in
// the "%c" form of the C locale. A file on disk may hold anything, so every piece here takes bytes
// as they come and gives out text that is safe to show.
namespace qvchat2 {

// One record as it is shown: its own date text (empty when the line has none) and its text.
struct LogMatch {
    std::string stamp;
    std::string text;
};

// A line split into its date and its text. `moment` orders records by their local time; it is
// absent when the line has no date that can be read, and then `stamp` is empty and `text` is the
// whole line.
struct LogLine {
    std::string_view stamp;
    std::string_view text;
    std::optional<std::int64_t> moment;
};

// Splits one line (without its line feed; a carriage return before it is dropped).
LogLine split_log_line(std::string_view line);

// The "%c" date of the C locale, "Tue Dec  8 03:53:07 2026", as a number that grows with the time
// it names; none when `date` is not such a date.
std::optional<std::int64_t> log_date_moment(std::string_view date);

// Longest text shown of one record; longer ones are cut and end in "...".
inline constexpr std::size_t SHOWN_TEXT_LIMIT = 4096;

// `text` cut to SHOWN_TEXT_LIMIT, with every control byte (0x00-0x1F, 0x7F-0x9F) replaced by '?',
// so that nothing read from a file reaches the terminal as a control sequence.
std::string shown_log_text(std::string_view text);

// The record of `line` as it is shown.
LogMatch shown_log_record(const LogLine& line);

// A log file opened for reading, closed when it goes. Opened read-only and non-blocking, and only
// when it is a regular file: a FIFO or a device at the path must not hang whoever reads it.
class LogFileReader {
public:
    explicit LogFileReader(const std::filesystem::path& file);
    ~LogFileReader();
    LogFileReader(const LogFileReader&) = delete;
    LogFileReader& operator=(const LogFileReader&) = delete;

    // Whether the file is open; else error() says why not and missing() whether it does not exist.
    bool is_open() const { return descriptor >= 0; }
    bool missing() const { return absent; }
    const std::string& error() const { return failure; }
    // The size the file had when it was opened.
    std::uint64_t size() const { return file_size; }

    // Reads up to `length` bytes at the current position (or at `offset`), retrying when
    // interrupted. Returns the count read, 0 at the end, or -1 after a read error (error() says
    // which).
    std::int64_t read(char* into, std::size_t length);
    std::int64_t read_at(char* into, std::size_t length, std::uint64_t offset);

private:
    int descriptor = -1;
    bool absent = false;
    std::uint64_t file_size = 0;
    std::string failure;
};

}  // namespace qvchat2
