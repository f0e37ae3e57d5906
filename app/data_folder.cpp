#include "app/data_folder.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <boost/algorithm/string/predicate.hpp>
#include <boost/algorithm/string/trim.hpp>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

#include "app/text_lines.h"

namespace qvchat2 {

namespace {

constexpr char DOCUMENTS_KEY[] = "XDG_DOCUMENTS_DIR";
constexpr mode_t PRIVATE_FOLDER_MODE = 0700;

std::optional<std::filesystem::path> absolute_from_environment(const char* name) {
    const char* value = std::getenv(name);  // NOLINT(concurrency-mt-unsafe): read at start-up only
    if (value == nullptr || value[0] != '/') {
        return std::nullopt;
    }
    return std::filesystem::path(value);
}

std::optional<std::filesystem::path> password_database_home() {
    long suggested = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(suggested > 0 ? static_cast<std::size_t>(suggested) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    int error = 0;
    while ((error = getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found)) == ERANGE) {
        buffer.resize(buffer.size() * 2);
    }
    if (error != 0 || found == nullptr || found->pw_dir == nullptr || found->pw_dir[0] != '/') {
        return std::nullopt;
    }
    return std::filesystem::path(found->pw_dir);
}

std::optional<std::filesystem::path> home_folder() {
    if (auto home = absolute_from_environment("HOME")) {
        return home;
    }
    return password_database_home();
}

// Undoes the shell quoting of a user-dirs.dirs value: the text between double quotes, where a
// backslash keeps the next character as it is.
std::string unquote(const std::string& value) {
    if (value.empty() || value.front() != '"') {
        return value;
    }
    std::string text;
    for (std::size_t i = 1; i < value.size() && value[i] != '"'; ++i) {
        if (value[i] == '\\' && i + 1 < value.size()) {
            ++i;
        }
        text += value[i];
    }
    return text;
}

// The folder one user-dirs.dirs value names: an absolute path, or one relative to the home
// folder written as "$HOME/...".
std::optional<std::filesystem::path> expand_user_dir(
    const std::string& value, const std::optional<std::filesystem::path>& home) {
    if (!value.empty() && value.front() == '/') {
        return std::filesystem::path(value);
    }
    const std::string home_variable = "$HOME";
    if (!home || !boost::starts_with(value, home_variable)) {
        return std::nullopt;
    }
    const std::string rest = value.substr(home_variable.size());
    if (rest.empty()) {
        return home;
    }
    if (rest.front() != '/') {
        return std::nullopt;
    }
    return *home / rest.substr(1);
}

// The documents entry of user-dirs.dirs. The file is shell syntax, so the last assignment counts.
std::optional<std::filesystem::path> documents_from_user_dirs(
    const std::optional<std::filesystem::path>& home) {
    auto config_home = absolute_from_environment("XDG_CONFIG_HOME");
    if (!config_home && home) {
        config_home = *home / ".config";
    }
    if (!config_home) {
        return std::nullopt;
    }
    std::ifstream in(*config_home / "user-dirs.dirs");
    std::optional<std::filesystem::path> documents;
    const std::string assignment = std::string(DOCUMENTS_KEY) + "=";
    std::string line;
    while (read_text_line(in, line)) {
        boost::trim(line);
        if (!boost::starts_with(line, assignment)) {
            continue;
        }
        if (auto folder = expand_user_dir(unquote(line.substr(assignment.size())), home)) {
            documents = folder;
        }
    }
    return documents;
}

}  // namespace

std::optional<std::filesystem::path> documents_folder() {
    if (auto documents = absolute_from_environment(DOCUMENTS_KEY)) {
        return documents;
    }
    const auto home = home_folder();
    if (auto documents = documents_from_user_dirs(home)) {
        return documents;
    }
    if (home) {
        return *home / "Documents";
    }
    return std::nullopt;
}

bool create_private_folders(const std::filesystem::path& folder) {
    std::filesystem::path partial;
    for (const auto& component : folder) {
        partial /= component;
        if (::mkdir(partial.c_str(), PRIVATE_FOLDER_MODE) != 0 && errno != EEXIST) {
            return false;
        }
    }
    std::error_code error;
    return std::filesystem::is_directory(folder, error);
}

}  // namespace qvchat2
