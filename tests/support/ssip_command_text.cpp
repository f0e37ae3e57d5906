#include "tests/support/ssip_command_text.h"

#include <algorithm>
#include <cctype>

namespace qvtest {

namespace {

std::string with_case(std::string word, bool capitals) {
    for (char& letter : word) {
        const auto byte = static_cast<unsigned char>(letter);
        letter = static_cast<char>(capitals ? std::toupper(byte) : std::tolower(byte));
    }
    return word;
}
std::string upper(const std::string& word) {
    return with_case(word, true);
}
std::string lower(const std::string& word) {
    return with_case(word, false);
}

}  // namespace

std::vector<std::string> ssip_words(const std::string& line) {
    std::vector<std::string> words;
    std::size_t start = 0;
    while (start < line.size()) {
        const std::size_t end = std::min(line.find(' ', start), line.size());
        if (end > start) {
            words.push_back(line.substr(start, end - start));
        }
        start = end + 1;
    }
    return words;
}

std::string ssip_documented_case(const std::string& line) {
    std::vector<std::string> words = ssip_words(line);
    const bool setting = !words.empty() && upper(words[0]) == "SET";
    bool lower_values = false;
    std::string documented;
    for (std::size_t index = 0; index < words.size(); ++index) {
        const std::string keyword = upper(words[index]);
        if (keyword == "SELF" || keyword == "ALL") {
            words[index] = lower(keyword);
        } else if (setting && index >= 3) {
            words[index] = lower_values ? lower(words[index]) : words[index];
        } else {
            words[index] = keyword;
        }
        lower_values = lower_values || (setting && index == 2 &&
                                        (keyword == "PRIORITY" || keyword == "NOTIFICATION"));
        documented += (index == 0 ? "" : " ") + words[index];
    }
    return documented;
}

}  // namespace qvtest
