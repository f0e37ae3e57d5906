#include "chat/text_split.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using qvchat2::CHAT_NO_COLON;
using qvchat2::CHAT_NORMAL;
using qvchat2::CHAT_PM_SENT;
using qvchat2::ChatState;
using qvchat2::split_raw_text;

struct SplitCase {
    int channel;
    std::string text;
    std::string name;
    std::string message;
    ChatState state;
};

void expect_splits(const std::vector<SplitCase>& cases) {
    for (const SplitCase& split_case : cases) {
        SCOPED_TRACE("code " + std::to_string(split_case.channel) + " '" + split_case.text + "'");
        const auto split =
            split_raw_text(static_cast<std::uint8_t>(split_case.channel), split_case.text);
        EXPECT_EQ(split.name, split_case.name);
        EXPECT_EQ(split.message, split_case.message);
        EXPECT_EQ(split.state, split_case.state);
    }
}

TEST(TextSplit, EachChannelCodeHasItsRule) {
    expect_splits({
        {0, "Bob: hi there", "Bob", "hi there", CHAT_NORMAL},
        {4, "Bob: hi", "Bob", "hi", CHAT_NORMAL},
        {0, "Bob waves at you", "Bob", "waves at you", CHAT_NO_COLON},
        {4, "Bob waves", "Bob", "waves", CHAT_NO_COLON},
        {1, "[PM from Bob: hi]", "Bob", "hi", CHAT_NORMAL},
        {1, "[PM to Bob: see you: soon]", "Bob", "see you: soon", CHAT_PM_SENT},
        {8, "[PM to Bob: x]", "Bob", "x", CHAT_PM_SENT},
        {2, "#GM from Ann: server restart]", "Ann", "server restart]", CHAT_NORMAL},
        {5, "[Ann]: hello", "Ann", "hello", CHAT_NORMAL},
        {6, "[Ann]: hello", "Ann", "hello", CHAT_NORMAL},
        {7, "[Ann]: hello", "Ann", "hello", CHAT_NORMAL},
        {3, "Welcome", "", "Welcome", CHAT_NORMAL},
        {9, "Bob: hi", "", "Bob: hi", CHAT_NORMAL},
        {255, "[PM from Bob: hi]", "", "[PM from Bob: hi]", CHAT_NORMAL},
    });
}

TEST(TextSplit, SentOnlyWhenToStandsBeforeTheName) {
    expect_splits({
        {1, "[PM from Otto: hi]", "Otto", "hi", CHAT_NORMAL},
        {1, "[PM from Toto: hi]", "Toto", "hi", CHAT_NORMAL},
        {1, "[PM to Otto: hi]", "Otto", "hi", CHAT_PM_SENT},
        {8, "[PM from Otto: hi]", "Otto", "hi", CHAT_NORMAL},
        // "to" after the first colon is message text.
        {1, "[PM from Bob: to you]", "Bob", "to you", CHAT_NORMAL},
        // No word at all before the name.
        {1, "toto: hi]", "toto", "hi", CHAT_NORMAL},
    });
}

TEST(TextSplit, ColonAtTheStartGivesNoName) {
    expect_splits({{0, ": x", "", "x", CHAT_NORMAL}});
}

TEST(TextSplit, MissingSeparatorsGiveTheWholeTextAsMessage) {
    expect_splits({
        {0, "Welcome", "", "Welcome", CHAT_NORMAL},
        {4, "", "", "", CHAT_NORMAL},
        {1, "no colon here", "", "no colon here", CHAT_NORMAL},
        {8, "", "", "", CHAT_NORMAL},
        {2, "no colon", "", "no colon", CHAT_NORMAL},
        {5, "Ann: hello", "", "Ann: hello", CHAT_NORMAL},
        {6, "", "", "", CHAT_NORMAL},
    });
}

TEST(TextSplit, TextsTooShortForTheSkippedCharactersGiveShortMessages) {
    expect_splits({
        {0, "Bob:", "Bob", "", CHAT_NORMAL},
        {0, "Bob:x", "Bob", "", CHAT_NORMAL},
        {0, "Bob ", "Bob", "", CHAT_NO_COLON},
        {1, ":", "", "", CHAT_NORMAL},
        {1, "Bob:", "Bob", "", CHAT_NORMAL},
        {1, "[PM to Bob:]", "Bob", "", CHAT_PM_SENT},
        {1, "[PM to Bob: ]", "Bob", "", CHAT_PM_SENT},
        {2, "Ann:", "Ann", "", CHAT_NORMAL},
        {5, "]", "", "", CHAT_NORMAL},
        {5, "]:", "", "", CHAT_NORMAL},
        {6, "[Ann]", "Ann", "", CHAT_NORMAL},
        {7, "[Ann]: ", "Ann", "", CHAT_NORMAL},
    });
}

TEST(TextSplit, NoShortTextOfAnyCodeFails) {
    const std::vector<std::string> texts = {
        "", ":", " ", "]", ": ", " :", "]:", "x]", ":]", "a b", "to:", " to :", "[]", "]]: "};
    for (int channel = 0; channel < 256; ++channel) {
        for (const std::string& text : texts) {
            const auto split = split_raw_text(static_cast<std::uint8_t>(channel), text);
            EXPECT_LE(split.name.size() + split.message.size(), text.size());
        }
    }
}

}  // namespace
