// Lines as a person would say them: every kind of shown line, and game bytes a speech service
// could not take.
#include "gui/model/spoken_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gui/model/chat_text.h"

namespace {

std::string colour(std::uint8_t code) {
    return std::string(1, static_cast<char>(code));
}

TEST(SpokenText, EachKindOfShownLineInWords) {
    struct Case {
        std::string shown;
        std::string said;
    };
    const std::vector<Case> cases{
        {"[Ann @ 3]: hello", "Ann on 3: hello"},
        {colour(qvchat2gui::OFF_CHANNEL_COLOR) + "[Ann @ 70000]: hi", "Ann on 70000: hi"},
        {"[Ann]: hello", "Ann: hello"},
        {colour(qvchat2gui::PM_COLOR) + "[PM from Marek: are you there]",
         "Marek, private: are you there"},
        {colour(qvchat2gui::PM_COLOR) + "[PM to Marek: yes]", "to Marek, private: yes"},
        {colour(qvchat2gui::GM_COLOR) + "#GM from Zed: the server restarts soon",
         "GM Zed: the server restarts soon"},
        {"Ann: hello", "Ann: hello"},
        {"Ann waves", "Ann waves"},
        {colour(qvchat2gui::SERVER_COLOR) + "You feel rested.", "You feel rested."},
        // Not quite a kind: said as it stands, brackets and all.
        {"[PM from nobody]", "[PM from nobody]"},
        {"[Ann @ 3] no colon", "[Ann @ 3] no colon"},
        {"", ""},
    };
    for (const Case& line : cases) {
        EXPECT_EQ(qvchat2gui::spoken_shown_line(line.shown), line.said) << line.shown;
    }
}

TEST(SpokenText, WordsKeepLettersAndLeaveOutWhatCannotBeSaid) {
    struct Case {
        std::string game_text;
        std::string said;
    };
    const std::vector<Case> cases{
        {"caf\xE9 au lait", "caf\xC3\xA9 au lait"},
        {"\xDF\xFF", "\xC3\x9F\xC3\xBF"},
        {"red\x85green\x9A"
         "blue",
         "redgreenblue"},
        {"two\nlines\r\nhere", "two lines here"},
        {"  wide\t \xA0 gap  ", "wide gap"},
        {std::string("nul\0byte", 8), "nulbyte"},
        {"\x1B[2Jclear", "[2Jclear"},
        {"\x7F\x80\x9F", ""},
    };
    for (const Case& text : cases) {
        EXPECT_EQ(qvchat2gui::spoken_words(text.game_text), text.said) << text.game_text;
    }
}

}  // namespace
