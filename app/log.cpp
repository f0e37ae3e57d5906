#include "app/log.h"

#include <boost/date_time/posix_time/posix_time.hpp>
#include <locale>
#include <optional>
#include <ostream>
#include <sstream>

namespace qvchat2 {

namespace {

constexpr int LOG_CHAT_DEFAULT = LOG_CHAT;

// Opens one log file of `folder` for appending. None when there is no usable path or the file
// cannot be used, so that its records are dropped; what is wrong with a file is named in
// `warnings`, with what the user can do.
std::optional<LogFileWriter> open_log(const std::string& folder, const char* name,
                                      std::ostream* warnings) {
    const auto path = get_config_file(folder, name);
    if (!path) {
        return std::nullopt;
    }
    std::optional<LogFileWriter> file(std::in_place, *path);
    if (!file->problem().empty() && warnings != nullptr) {
        *warnings << "Cannot log to " << path->string() << ": " << file->problem()
                  << ". This run is not logged there: remove it or put a regular file (or a "
                     "link to one) in its place, or set log_chat to 0.\n";
    }
    if (!file->is_open()) {
        return std::nullopt;
    }
    return file;
}

}  // namespace

LoggingType logging_type_from_settings(const Settings& settings, std::ostream& warnings) {
    const int value = get_property<int>(settings, "log_chat", LOG_CHAT_DEFAULT);
    if (value < LOG_NONE || value > LOG_SEPARATE) {
        warnings << "Invalid configuration - could not recognize " << value
                 << " as a LoggingMode value\n";
        return LOG_CHAT;
    }
    return static_cast<LoggingType>(value);
}

Logger::Logger(LoggingType type, const std::string& folder, std::ostream* warnings)
    : logging_type(type),
      chat_log(open_log(folder, chat_log_name, warnings)),
      server_log(type == LOG_SEPARATE ? open_log(folder, server_log_name, warnings)
                                      : std::nullopt) {}

Logger::~Logger() = default;

const LogFileWriter* Logger::destination(LogMessageType kind) const {
    if (logging_type == LOG_NONE) {
        return nullptr;
    }
    if (kind == SERVER_MESSAGE && logging_type == LOG_SEPARATE) {
        return server_log ? &*server_log : nullptr;
    }
    if (kind == CHAT_MESSAGE || logging_type == LOG_COMBINED) {
        return chat_log ? &*chat_log : nullptr;
    }
    return nullptr;
}

void Logger::log(LogMessageType kind, const std::string& text) {
    const LogFileWriter* file = destination(kind);
    if (file == nullptr) {
        return;
    }
    const std::lock_guard<std::mutex> lock(log_files_lock);
    // Taken under the lock, so that the records of a file never go back in time.
    const std::time_t now = std::time(nullptr);
    if (now != stamp_second) {
        stamp_second = now;
        stamp = format_date(now);
    }
    // Written out in one go, so that the file is whole up to its last record at any time.
    record.assign(1, '<').append(stamp).append("> ").append(text).append(1, '\n');
    file->append(record);
}

std::string get_date_string() {
    return format_date(std::time(nullptr));
}

std::string format_date(std::time_t moment) {
    using boost::posix_time::time_facet;
    std::tm local{};
    localtime_r(&moment, &local);
    std::ostringstream text;
    // The facet is owned and released by the locale.
    text.imbue(std::locale(std::locale::classic(), new time_facet("%c")));
    text << boost::posix_time::ptime_from_tm(local);
    return text.str();
}

}  // namespace qvchat2
