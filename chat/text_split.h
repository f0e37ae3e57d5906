#pragma once

#include <cstdint>
#include <string>

namespace qvchat2 {

// How a raw text was split; a bit set that on_text tests bit by bit.
enum ChatState : unsigned {
    CHAT_NORMAL = 0,
    CHAT_NO_COLON = 1,  // local text without ":": the speaker's name ended at the first space
    CHAT_PM_SENT = 2,   // a private message the user sent, not one received
};

// One raw text taken apart into speaker and message.
struct SplitText {
    std::string name;
    std::string message;
    ChatState state = CHAT_NORMAL;
};

// Splits the text of one raw-text message by the rule of its channel code. A text that lacks
// the separator its rule needs becomes a message with no speaker; a text too short for the
// characters a rule skips or drops gives a shorter (possibly empty) message.
SplitText split_raw_text(std::uint8_t channel, const std::string& text);

}  // namespace qvchat2
