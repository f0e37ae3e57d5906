#include "gui/spelling/dictionary_choice.h"

#include <algorithm>
#include <cstdlib>

namespace qvchat2gui {

namespace {

constexpr char FALLBACK_DICTIONARY[] = "en_US";

// The locale's name as the C library would choose it for messages.
std::string message_locale() {
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        // NOLINTNEXTLINE(concurrency-mt-unsafe): the setting is read on the main thread only
        const char* value = std::getenv(variable);
        if (value != nullptr && *value != '\0') {
            return value;
        }
    }
    return "";
}

}  // namespace

std::optional<std::string> dictionary_for_setting(const std::string& value) {
    if (value.empty() || value == "0") {
        return std::nullopt;
    }
    if (value != "1") {
        return value;
    }
    // "de_DE.UTF-8" and "sr_RS@latin" name their language before the encoding and modifier.
    std::string locale = message_locale();
    locale.erase(std::min(locale.find_first_of(".@"), locale.size()));
    if (locale.empty() || locale == "C" || locale == "POSIX") {
        return FALLBACK_DICTIONARY;
    }
    return locale;
}

}  // namespace qvchat2gui
