#pragma once

#include <iosfwd>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/config.h"

namespace qvchat2 {

// Reads the settings files in order, a key set by an earlier file keeping its value, and checks
// every value kept. A value its setting cannot take is named on `warnings` with its file and line
// and replaced by the value used instead. A number followed by other text ("10 min") is read as
// that number, with a warning that the rest is ignored. A key within two letters of a known setting
// is named as a likely typo; other unknown keys pass without a word, as other programs may share a
// file. log_chat is left to its reader, whose message users know. `origins` (when given) gets the
// file each kept setting was read from.
using SettingOrigins = std::map<std::string, std::string>;
Settings read_checked_settings(const std::vector<std::string>& files, std::ostream& warnings,
                               SettingOrigins* origins = nullptr);

// When a setting changed while running takes effect.
enum class SettingEffect { at_once, next_start };

// A setting the program reads.
struct SettingFacts {
    const char* key;
    const char* default_text;  // what it is when no file sets it, as the user reads it
    SettingEffect effect;
};

// The settings the program reads, in the order they are listed to the user.
std::vector<SettingFacts> known_settings();
// Why the known setting `key` cannot take `value` ("must be 0 or 1"), as the files' warnings
// say it; nothing when it can, or when `key` is not a known setting.
std::optional<std::string> setting_requirement(const std::string& key, const std::string& value);
// The known setting within two letters of `key`, taken for a typo of it.
std::optional<std::string> likely_setting(const std::string& key);
// `text` as it may go to a terminal: control bytes as \xNN.
std::string escaped_setting_text(const std::string& text);
// As escaped_setting_text, cut after 60 bytes: for a warning, where a whole line may have been
// pasted.
std::string printable_setting_text(const std::string& text);

}  // namespace qvchat2
