#pragma once

#include <algorithm>
#include <string>
#include <utility>

namespace qvchat2 {

// The words of a local command's argument: the first, and the rest after the spaces that follow
// it.
inline std::pair<std::string, std::string> first_word(const std::string& argument) {
    const std::size_t start = std::min(argument.find_first_not_of(' '), argument.size());
    const std::size_t end = std::min(argument.find(' ', start), argument.size());
    const std::size_t rest = std::min(argument.find_first_not_of(' ', end), argument.size());
    return {argument.substr(start, end - start), argument.substr(rest)};
}

}  // namespace qvchat2
