#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <string>
#include <string_view>

#include "fuzz/check.h"

namespace qvfuzz {

// A file in memory with a path the readers under test can open: no disk, no clean-up, and
// rewritten in place for every input.
class MemoryFile {
public:
    explicit MemoryFile(const char* name) : fd(::memfd_create(name, 0)) {
        check(fd >= 0, "a memory file can be made");
        path = "/proc/self/fd/" + std::to_string(fd);
    }
    ~MemoryFile() { ::close(fd); }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;

    void write(std::string_view contents) const {
        check(::ftruncate(fd, 0) == 0 && ::pwrite(fd, contents.data(), contents.size(), 0) ==
                                             static_cast<ssize_t>(contents.size()),
              "the memory file takes the contents");
    }
    const std::string& name() const { return path; }

private:
    int fd;
    std::string path;
};

}  // namespace qvfuzz
