#pragma once

#include <optional>
#include <string>

// Which dictionary the `spell` setting asks for.
namespace qvchat2gui {

// The dictionary for the setting's value: none for "0" or an empty value; for "1" the language of
// the locale (LC_ALL, LC_MESSAGES, then LANG: "de_DE.UTF-8" gives "de_DE"), en_US for the C or
// POSIX locale; any other value is the name itself. Reads the environment: main thread only.
std::optional<std::string> dictionary_for_setting(const std::string& value);

}  // namespace qvchat2gui
