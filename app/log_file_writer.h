#pragma once

#include <filesystem>
#include <string>

namespace qvchat2 {

// One log file opened for appending, closed when it goes. Opened without waiting and kept only
// when it is a regular file (or a symbolic link to one): a FIFO at the path would hold the start
// until some other program read it, and a device is no record.
class LogFileWriter {
public:
    // Opens `file`, created readable by the user alone when new. When it cannot be used, problem()
    // says why; a folder that is not there gives no problem, as its logs are dropped quietly.
    explicit LogFileWriter(const std::filesystem::path& file);
    ~LogFileWriter();
    LogFileWriter(LogFileWriter&& other) noexcept;
    LogFileWriter& operator=(LogFileWriter&& other) = delete;
    LogFileWriter(const LogFileWriter&) = delete;
    LogFileWriter& operator=(const LogFileWriter&) = delete;

    bool is_open() const { return descriptor >= 0; }
    const std::string& problem() const { return failure; }

    // Appends `text` whole; an error drops the rest of it.
    void append(const std::string& text) const;

private:
    void close();

    int descriptor = -1;
    std::string failure;
};

}  // namespace qvchat2
