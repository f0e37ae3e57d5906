#pragma once

#include <cstddef>
#include <string>

// What the `spell` setting may name. Header only: the settings' checks use it without linking
// the spelling.
namespace qvchat2gui {

// As long as a dictionary's name may be: "en_US", "de_DE_frami", "sr-Latn-RS".
constexpr std::size_t MAX_DICTIONARY_NAME_BYTES = 32;

// 1 to MAX_DICTIONARY_NAME_BYTES ASCII letters, digits, "_" or "-".
inline bool is_dictionary_name(const std::string& name) {
    return !name.empty() && name.size() <= MAX_DICTIONARY_NAME_BYTES &&
           name.find_first_not_of(
               "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
               "0123456789_-") == std::string::npos;
}

}  // namespace qvchat2gui
