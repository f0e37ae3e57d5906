// What the received-line path gives to speech: every kind of line in words, at the priority its
// kind has, as the user chose; nothing of the user's own, of those ignored, muted or hidden.
#include "chat/spoken_lines.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "chat/callbacks.h"
#include "chat/filter_commands.h"
#include "chat/trigger_commands.h"
#include "tests/chat/chat_fixture.h"
#include "tests/support/RecordingSpeech.h"

namespace {

using qvchat2gui::SpeechPriority;
using Said = qvtest::RecordingSpeech::Said;

class SpokenLines : public qvtest::ChatFixture {
protected:
    void SetUp() override {
        ChatFixture::SetUp();
        gui.set_speech(&speech);
        // Code 5 is channel 3, code 6 the muted channel 1.
        qvchat2::assign_channels(&gui, nullptr, {1, 3, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0});
    }
    void TearDown() override {
        qvchat2::set_speech_choice(qvchat2::SpeechChoice::every_line);
        qvchat2::set_spoken_repeats_folded(false);
    }
    std::optional<Said> said_for(std::uint8_t code, const std::string& text) {
        speech.forget();
        raw(code, text);
        const std::vector<Said> said = speech.said();
        EXPECT_LE(said.size(), 1U) << text;
        return said.empty() ? std::nullopt : std::optional<Said>(said.front());
    }

    qvtest::RecordingSpeech speech;
};

TEST_F(SpokenLines, EachKindInWordsAtItsPriorityAsChosen) {
    const auto now = qvchat2::WallClock::now();
    ASSERT_TRUE(qvchat2::ignore_list().ignore("Bob", std::nullopt, now).accepted);
    ASSERT_EQ(qvchat2::muted_channels().mute(1), qvchat2::MuteOutcome::muted);
    ASSERT_TRUE(qvchat2::highlight_words().add("lantern").accepted);
    ASSERT_TRUE(qvchat2::triggers().add("dragon speak").accepted);
    ASSERT_TRUE(qvchat2::triggers().add("spam hide").accepted);
    const struct {
        std::uint8_t code;
        std::string text;
        std::optional<Said> every_line;
        bool for_user;  // still said when only the lines for the user are
    } cases[] = {
        {1, "[PM from Marek: are you there]",
         Said{"Marek, private: are you there", SpeechPriority::message}, true},
        {2, "Zed: the server restarts soon",
         Said{"GM Zed: the server restarts soon", SpeechPriority::message}, true},
        {5, "[Ann]: hello", Said{"Ann on 3: hello", SpeechPriority::text}, false},
        {0, "Ann: caf\xE9?", Said{"Ann: caf\xC3\xA9?", SpeechPriority::text}, false},
        {0, "Ann: alice, look", Said{"Ann: alice, look", SpeechPriority::message}, true},
        {0, "Ann: the lantern", Said{"Ann: the lantern", SpeechPriority::message}, true},
        {0, "Ann: a dragon", Said{"Ann: a dragon", SpeechPriority::message}, true},
        {3, "[PM from Eve: fake]", Said{"[PM from Eve: fake]", SpeechPriority::notification},
         false},
        {1, "[PM to Marek: yes]", std::nullopt, false},
        {0, "Alice: my own words", std::nullopt, false},
        {0, "Bob: ignored", std::nullopt, false},
        {6, "[Ann]: muted chat", std::nullopt, false},
        {0, "Ann: spam spam", std::nullopt, false},
    };
    for (const auto& line : cases) {
        EXPECT_EQ(said_for(line.code, line.text), line.every_line) << line.text;
    }
    qvchat2::set_speech_choice(qvchat2::SpeechChoice::for_user);
    for (const auto& line : cases) {
        EXPECT_EQ(said_for(line.code, line.text).has_value(), line.for_user) << line.text;
    }
    speech.on = false;
    EXPECT_EQ(said_for(1, "[PM from Marek: hello?]"), std::nullopt) << "speech switched off";

    qvchat2::ignore_list().unignore("Bob");
    qvchat2::muted_channels().unmute(1);
    qvchat2::highlight_words().remove("lantern");
    while (qvchat2::triggers().size() > 0) {
        qvchat2::triggers().remove(1);
    }
}

TEST_F(SpokenLines, ARepeatIsNotSaidAgainWhileRepeatsFold) {
    raw(0, "Ann: buy my sword");
    raw(0, "Ann: buy my sword");
    EXPECT_EQ(speech.said().size(), 2U) << "not folded: said each time";
    qvchat2::set_spoken_repeats_folded(true);
    speech.forget();
    raw(0, "Ann: buy my sword");
    raw(0, "Ann: buy my sword");
    raw(0, "Bob: no thanks");
    raw(0, "Ann: buy my sword");
    EXPECT_THAT(speech.said(),
                ::testing::ElementsAre(Said{"Ann: buy my sword", SpeechPriority::text},
                                       Said{"Bob: no thanks", SpeechPriority::text}));
}

}  // namespace
