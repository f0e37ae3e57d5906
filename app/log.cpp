#include "app/log.h"

#include <boost/date_time/posix_time/posix_time.hpp>
#include <locale>
#include <optional>
#include <sstream>

#include "app/data_folder.h"

namespace qvchat2 {

namespace {

constexpr int LOG_CHAT_DEFAULT = LOG_CHAT;

// Opens one log file of `folder` for appending, created private to the user when new. Left closed
// when there is no usable path, so that its records are dropped.
void open_log(std::ofstream& stream, const std::string& folder, const char* name) {
    const auto path = get_config_file(folder, name);
    if (!path) {
        return;
    }
    create_private_file(*path);
    stream.open(*path, std::ios::out | std::ios::app);
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

Logger::Logger(LoggingType type, const std::string& folder) : logging_type(type) {
    open_log(chat_log, folder, chat_log_name);
    if (logging_type == LOG_SEPARATE) {
        server_log = std::make_unique<std::ofstream>();
        open_log(*server_log, folder, server_log_name);
    }
}

Logger::~Logger() = default;

std::ofstream* Logger::destination(LogMessageType kind) {
    if (logging_type == LOG_NONE) {
        return nullptr;
    }
    if (kind == SERVER_MESSAGE && logging_type == LOG_SEPARATE) {
        return server_log.get();
    }
    if (kind == CHAT_MESSAGE || logging_type == LOG_COMBINED) {
        return &chat_log;
    }
    return nullptr;
}

void Logger::log(LogMessageType kind, const std::string& text) {
    std::ofstream* file = destination(kind);
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
    // Put together in the stream's own buffer, and written out in one go by the flush.
    *file << '<' << stamp << "> " << text << '\n';
    file->flush();
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
