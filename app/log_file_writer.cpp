#include "app/log_file_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <utility>

namespace qvchat2 {

namespace {

constexpr mode_t PRIVATE_FILE_MODE = 0600;
constexpr char NOT_REGULAR[] = "it is not a regular file";

}  // namespace

LogFileWriter::LogFileWriter(const std::filesystem::path& file) {
    // O_NONBLOCK: opening a FIFO for writing would otherwise wait for a reader, with no end.
    descriptor = ::open(file.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_NONBLOCK | O_CLOEXEC,
                        PRIVATE_FILE_MODE);
    if (descriptor < 0) {
        if (errno == ENXIO) {
            failure = NOT_REGULAR;  // a FIFO with no reader, or a device that is not there
        } else if (errno != ENOENT && errno != ENOTDIR) {
            failure = std::generic_category().message(errno);
        }
        return;
    }
    struct stat status {};
    if (::fstat(descriptor, &status) != 0) {
        failure = std::generic_category().message(errno);
    } else if (!S_ISREG(status.st_mode)) {
        failure = NOT_REGULAR;
    }
    if (!failure.empty()) {
        close();
    }
}

LogFileWriter::~LogFileWriter() {
    close();
}

LogFileWriter::LogFileWriter(LogFileWriter&& other) noexcept
    : descriptor(std::exchange(other.descriptor, -1)), failure(std::move(other.failure)) {}

void LogFileWriter::close() {
    if (descriptor >= 0) {
        ::close(descriptor);
        descriptor = -1;
    }
}

void LogFileWriter::append(const std::string& text) const {
    std::size_t done = 0;
    while (is_open() && done < text.size()) {
        const ssize_t written = ::write(descriptor, text.data() + done, text.size() - done);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return;
        }
        done += static_cast<std::size_t>(written);
    }
}

}  // namespace qvchat2
