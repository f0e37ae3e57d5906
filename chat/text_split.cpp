#include "chat/text_split.h"

#include <algorithm>

namespace qvchat2 {

namespace {

// The text from `begin` to `end`, empty when `begin` lies at or past either end.
std::string slice(const std::string& text, std::size_t begin, std::size_t end) {
    end = std::min(end, text.size());
    return begin < end ? text.substr(begin, end - begin) : std::string();
}

SplitText whole_text_as_message(const std::string& text) {
    return {"", text, CHAT_NORMAL};
}

// Local speech: "Name: message", or "Name does something" without a colon.
SplitText split_local(const std::string& text) {
    const std::size_t colon = text.find(':');
    if (colon != std::string::npos) {
        return {text.substr(0, colon), slice(text, colon + 2, text.size()), CHAT_NORMAL};
    }
    const std::size_t space = text.find(' ');
    if (space == std::string::npos) {
        return whole_text_as_message(text);
    }
    return {text.substr(0, space), text.substr(space + 1), CHAT_NO_COLON};
}

// Private and GM messages: "[PM from Name: message]", "#GM from Name: message". The name is the
// word before the first colon; the words before it tell the direction, so a name that contains
// "to" does not turn a received message into a sent one.
SplitText split_addressed(const std::string& text, bool drop_last_character) {
    const std::size_t colon = text.find(':');
    if (colon == std::string::npos) {
        return whole_text_as_message(text);
    }
    const std::size_t space = text.rfind(' ', colon);
    const std::size_t name_begin = space == std::string::npos ? 0 : space + 1;
    const std::size_t message_end = drop_last_character ? text.size() - 1 : text.size();

    SplitText split{slice(text, name_begin, colon), slice(text, colon + 2, message_end),
                    CHAT_NORMAL};
    if (drop_last_character && space != std::string::npos &&
        text.substr(0, space).find("to") != std::string::npos) {
        split.state = CHAT_PM_SENT;
    }
    return split;
}

// Channel chat: "[Name]: message".
SplitText split_channel(const std::string& text) {
    const std::size_t bracket = text.find(']');
    if (bracket == std::string::npos) {
        return whole_text_as_message(text);
    }
    return {slice(text, 1, bracket), slice(text, bracket + 3, text.size()), CHAT_NORMAL};
}

}  // namespace

SplitText split_raw_text(std::uint8_t channel, const std::string& text) {
    switch (channel) {
        case 0:
        case 4:
            return split_local(text);
        case 1:
        case 8:
            return split_addressed(text, true);
        case 2:
            return split_addressed(text, false);
        case 5:
        case 6:
        case 7:
            return split_channel(text);
        default:
            return whole_text_as_message(text);
    }
}

}  // namespace qvchat2
