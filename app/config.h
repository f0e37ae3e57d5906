#pragma once

#include <cstddef>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "network/ServerInfo.h"

namespace qvchat2 {

// Setting key to value, both trimmed and non-empty; keys are case-sensitive.
using Settings = std::map<std::string, std::string>;

// Server name, as the user types it on the command line, to its entry.
using ServerTable = std::map<std::string, qvnetworklib::ServerInfo>;

// Reads a server list: one entry per line as name, folder, host and port separated by spaces or
// tabs; more fields are a description. Empty lines and lines beginning with "#" are comments.
// The first entry of a name wins. A line with fewer than four fields, or whose port is not a
// number from 1 to 65535, is skipped with a warning on standard error; the port is kept in plain
// decimal. A folder that would leave the data folder is kept, with a warning that the server gets
// no logs. A file that cannot be opened gives an empty table.
ServerTable read_servers(const std::string& path);

// Splits `text` at runs of the characters in `delimiters`, skipping leading ones. The last element
// is everything from the last token (or, with no token left, from the last delimiter run) to the
// end, so a trailing delimiter run becomes an element of its own and an empty text gives one
// empty element.
std::vector<std::string> explode(const std::string& text, const std::string& delimiters);

// Reads a settings file: only lines of the form "#key=value" count, a value may be double-quoted
// to keep inner spaces. The first line that sets a key wins. A file that cannot be opened gives
// no settings.
Settings read_ini(const std::string& path);

// The line, counted from 1, on which each setting of a file was read.
using SettingLines = std::map<std::string, std::size_t>;

// As read_ini(path), and fills `lines` with the line of each setting returned, so that a warning
// can say where to look.
Settings read_ini(const std::string& path, SettingLines& lines);

// Full path of `file` in the per-user data folder of one server: the documents folder, then
// "Quorvan", then `folder`. Missing folders on the way are created, private to the user. Gives no
// path when the documents folder cannot be determined or `folder` would leave the data folder.
std::optional<std::filesystem::path> get_config_file(const std::string& folder, const char* file);

namespace detail {
// Lets get_property<T> be called only with an explicit T, so that a text fallback always picks
// the text overload.
template <typename T>
struct NonDeduced {
    using type = T;
};
}  // namespace detail

}  // namespace qvchat2

// The value stored for `key`, or `fallback` when there is none.
std::string get_property(const qvchat2::Settings& settings, const char* key,
                         const std::string& fallback);

// The value stored for `key` read as a decimal T (int or unsigned short); text after the number
// is ignored. `fallback` when the key is absent, the value does not start with a number, the
// number is out of range or, for an unsigned T, negative.
template <typename T>
T get_property(const qvchat2::Settings& settings, const char* key,
               const typename qvchat2::detail::NonDeduced<T>::type& fallback);

// A switch that is 0 or 1; absent or any other value, `fallback`. Start-up has named a wrong
// value already (check_settings).
bool read_switch(const qvchat2::Settings& settings, const char* key, bool fallback);

// True exactly for the setting value "1".
bool determine_truth(const std::string& value);
