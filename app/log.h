#pragma once

#include <ctime>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>

#include "app/config.h"
#include "app/log_file_writer.h"

namespace qvchat2 {

// What the chat and server logs record; chosen by the setting log_chat.
enum LoggingType {
    LOG_NONE = 0,      // nothing
    LOG_CHAT = 1,      // chat lines only
    LOG_COMBINED = 2,  // chat lines and server messages in the chat log
    LOG_SEPARATE = 3,  // chat lines in the chat log, server messages in the server log
};

// The kind of one logged line.
enum LogMessageType {
    CHAT_MESSAGE = 0,    // a line with a speaker, a channel, a private message or a GM message
    SERVER_MESSAGE = 1,  // a plain line from the server
};

inline constexpr char chat_log_name[] = "chat_log.txt";
inline constexpr char server_log_name[] = "srv_log.txt";

// The logging type that the setting log_chat selects (default LOG_CHAT). A value that names no
// type writes a warning to `warnings` and gives LOG_CHAT.
LoggingType logging_type_from_settings(const Settings& settings, std::ostream& warnings);

// Appends the chat text the user sees, with time stamps, to the log files of one server's data
// folder. Safe to use from many threads: every record is written whole on a line of its own and
// flushed at once. A file that cannot be opened drops its records; when it is there but is no
// regular file, or cannot be written, that is named in `warnings` if given.
class Logger {
public:
    Logger(LoggingType type, const std::string& folder, std::ostream* warnings = nullptr);
    virtual ~Logger();

    Logger(const Logger&) = delete;
    Logger& operator=(const Logger&) = delete;

    // Records `text`, which must hold no line breaks or other control characters.
    void log(LogMessageType kind, const std::string& text);

private:
    // The file a line of this kind goes to, or none when the logging type leaves it out.
    const LogFileWriter* destination(LogMessageType kind) const;

    const LoggingType logging_type;
    const std::optional<LogFileWriter> chat_log;
    const std::optional<LogFileWriter> server_log;
    std::mutex log_files_lock;  // guards writing to the two files, the time stamp and the record
    // Time stamp of the second stamp_second; formatting one costs more than writing a record.
    std::time_t stamp_second = -1;
    std::string stamp;
    std::string record;  // kept, so that writing a record allocates nothing
};

// The current local time to the second in the "%c" form of the C locale.
std::string get_date_string();
// The local time of `moment` in the same form.
std::string format_date(std::time_t moment);

}  // namespace qvchat2
