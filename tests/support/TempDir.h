#pragma once

#include <stdlib.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>

namespace qvtest {

// A fresh, empty folder under the system's temporary folder, removed with everything in it when
// the object goes.
class TempDir {
public:
    TempDir() {
        std::string name = (std::filesystem::temp_directory_path() / "qvchat-test-XXXXXX").string();
        if (::mkdtemp(name.data()) == nullptr) {
            throw std::runtime_error("cannot create a temporary folder");
        }
        folder = name;
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return folder; }

    // Path of `name` inside the folder.
    std::filesystem::path operator/(const std::filesystem::path& name) const {
        return folder / name;
    }

private:
    std::filesystem::path folder;
};

}  // namespace qvtest
