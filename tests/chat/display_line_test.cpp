#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "chat/callbacks.h"
#include "chat/filter_commands.h"
#include "chat/whole_word.h"
#include "gui/common_gui.h"
#include "gui/model/latin1_text.h"
#include "tests/chat/chat_fixture.h"

namespace {

using qvchat2gui::GM_COLOR;
using qvchat2gui::PM_COLOR;
using qvchat2gui::SERVER_COLOR;
using qvtest::color;
using qvtest::SentPm;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

using DisplayLine = qvtest::ChatFixture;

TEST_F(DisplayLine, ServerTextIsColouredAndLoggedAsServerMessage) {
    raw(3, "Welcome");
    raw(0, ": x");
    EXPECT_THAT(gui.shown(),
                ElementsAre(color(SERVER_COLOR) + "Welcome", color(SERVER_COLOR) + "x"));
    EXPECT_THAT(server_log(), ElementsAre("Welcome", "x"));
    EXPECT_THAT(chat_log(), IsEmpty());
}

TEST_F(DisplayLine, EachKindOfTextGetsItsPrefix) {
    raw(0, "Bob: hi");
    raw(0, "Bob waves");
    raw(4, "Bob: shout");
    raw(8, "Bob: hello]");
    raw(2, "#GM from Ann: restart soon");
    raw(1, "[PM from Bob: hi]");
    raw(5, "[Ann]: hello");
    EXPECT_THAT(gui.shown(), ElementsAre("Bob: hi", "Bob waves", "Bob: shout", "Bob: hello",
                                         color(GM_COLOR) + "#GM from Ann: restart soon",
                                         color(PM_COLOR) + "[PM from Bob: hi]", "[Ann]: hello"));
    EXPECT_THAT(chat_log(),
                ElementsAre("Bob: hi", "Bob waves", "Bob: shout", "Bob: hello",
                            "#GM from Ann: restart soon", "[PM from Bob: hi]", "[Ann]: hello"));
    EXPECT_THAT(server_log(), IsEmpty());
}

// Each kind of line belongs to one conversation: a joined channel's by its number, private
// messages to the other side, speech and unknown channels to local, GM and server text to all.
TEST_F(DisplayLine, EachKindOfLineBelongsToItsView) {
    qvchat2::assign_channels(&gui, nullptr, {0, 3, 0, 0, 0, 0x40, 0x42, 0x0F, 0, 0, 0, 0, 0});
    gui.forget_all();
    const std::pair<std::uint8_t, std::string> lines[] = {
        {5, "[Ann]: to the guild"},
        {6, "[Bob]: trade"},
        {7, "[Cid]: no such slot"},
        {1, "[PM from Marek: there?]"},
        {1, "[PM to Marek: yes]"},
        {1, "[PM from Zo\xEB\x01x: odd]"},
        {0, "Bob: hi"},
        {0, "Bob waves"},
        {4, "Bob: shout"},
        {2, "#GM from Orla: restart"},
        {3, "The server restarts soon"},
        {2, "no GM name"},
    };
    for (const auto& [channel, text] : lines) {
        raw(channel, text);
    }
    EXPECT_THAT(
        gui.shown_views(),
        ElementsAre("channel 3", "channel 1000000", "local", "player Marek", "player Marek",
                    "player Zo\xEB\x01x", "local", "local", "local", "every", "every", "every"));
}

TEST_F(DisplayLine, SpeakersAndCorrespondentsButNotTheUserAreOfferedForCompletion) {
    raw(0, "Bob: hi");
    raw(1, "[PM to Otto: x]");
    raw(0, std::string(USERNAME) + ": me");
    raw(3, "server text");
    raw(1, "[PM from Zo\xEB: hi]");
    EXPECT_THAT(gui.completion_names(), ElementsAre("Zo\xEB", "Otto", "Bob"));
}

TEST_F(DisplayLine, LinesForTheUserAskForAttentionButNeverTheUsersOwn) {
    using qvchat2gui::Attention;
    const std::string user = USERNAME;
    const struct {
        std::uint8_t channel;
        std::string text;
        Attention expected;
    } cases[] = {
        {1, "[PM from Bob: hi]", Attention::private_message},
        {1, "[PM to Bob: hi]", Attention::none},
        {1, "[PM from Otto: hi]", Attention::private_message},
        {2, "#GM from Orla: restart", Attention::for_user},
        {2, "#GM from " + user + ": restart", Attention::none},
        {0, "Bob: hey ALICE, look", Attention::for_user},
        {0, "Bob waves at alice", Attention::for_user},
        {0, "Bob: hello all", Attention::none},
        {0, user + ": I am alice", Attention::none},
        {0, "Bob: Malice and palaces", Attention::none},
        {0, "Bob: alice_2 and alice2 are not you", Attention::none},
        {0, "Bob: alic\xE9 is someone else", Attention::none},
        {0, "Bob: (alice)", Attention::for_user},
        {0,
         "Bob: \x85"
         "alice\x86",
         Attention::for_user},
        {4, "Bob: ALICE!", Attention::for_user},
        {5, "[Ann]: alice, come", Attention::for_user},
        {5, "[Ann]: walice", Attention::none},
        {6, "[Brannock]: Report any trouble to Alice.", Attention::for_user},
        {6, "[" + user + "]: I am Alice", Attention::none},
        {3, "alice has logged in", Attention::none},
    };
    // Code 6 is a joined channel, code 5 one the table does not hold.
    qvchat2::assign_channels(&gui, nullptr, {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0});
    for (const auto& line : cases) {
        gui.forget_all();
        raw(line.channel, line.text);
        EXPECT_THAT(gui.shown_attentions(), ElementsAre(line.expected)) << line.text;
    }
}

// An ignored player's lines and a muted channel's chat are logged but not shown, unless they are
// for the user; highlight words call for attention as the user's name does.
TEST_F(DisplayLine, IgnoredPlayersAndMutedChannelsAreLoggedButNotShown) {
    using qvchat2gui::Attention;
    const auto now = qvchat2::WallClock::now();
    ASSERT_TRUE(qvchat2::ignore_list().ignore("Bob", std::nullopt, now).accepted);
    ASSERT_TRUE(qvchat2::ignore_list().ignore("Eve", std::chrono::minutes(5), now).accepted);
    ASSERT_TRUE(qvchat2::highlight_words().add("lantern").accepted);
    ASSERT_EQ(qvchat2::muted_channels().mute(1), qvchat2::MuteOutcome::muted);
    const struct {
        std::uint8_t channel;
        std::string text;
        std::optional<Attention> shown;  // none: hidden
    } cases[] = {
        {0, "Bob: hello", std::nullopt},
        {0, "BOB: hello", std::nullopt},
        {0, "Bobby: hello", Attention::none},
        {1, "[PM from Bob: hi]", std::nullopt},
        {1, "[PM to Bob: hi]", Attention::none},
        {2, "#GM from Bob: restart", Attention::for_user},
        {0, "Eve: hi", std::nullopt},
        {6, "[Ann]: chat", std::nullopt},
        {6, "[Ann]: alice, come", Attention::for_user},
        {6, "[Ann]: the lantern is lit", Attention::for_user},
        {6, "[" + std::string(USERNAME) + "]: my own", Attention::none},
        {0, "Ann: the LANTERN", Attention::for_user},
        {0, "Ann: lanterns", Attention::none},
    };
    // Code 6 is the joined channel 1.
    qvchat2::assign_channels(&gui, nullptr, {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0});
    for (const auto& line : cases) {
        gui.forget_all();
        raw(line.channel, line.text);
        if (line.shown) {
            EXPECT_THAT(gui.shown_attentions(), ElementsAre(*line.shown)) << line.text;
        } else {
            EXPECT_THAT(gui.shown(), IsEmpty()) << line.text;
        }
    }
    EXPECT_EQ(chat_log().size(), std::size(cases)) << "every line is logged";
    EXPECT_THAT(gui.completion_names(), ::testing::Not(::testing::Contains("Eve")))
        << "a hidden speaker is not offered by Tab";
    const std::vector<qvchat2::IgnoredPlayer> ignored = qvchat2::ignore_list().entries(now);
    ASSERT_EQ(ignored.size(), 2U);
    EXPECT_EQ(ignored[0].lines_hidden, 3U);
    qvchat2::ignore_list().unignore("Bob");
    qvchat2::ignore_list().unignore("Eve");
    qvchat2::highlight_words().remove("lantern");
    qvchat2::muted_channels().unmute(1);
}

TEST_F(DisplayLine, GmTextWithoutNameIsServerText) {
    raw(2, "no colon");
    EXPECT_THAT(gui.shown(), ElementsAre(color(SERVER_COLOR) + "no colon"));
}

TEST_F(DisplayLine, ReceivedPmFromNameContainingToIsShownAsReceived) {
    raw(1, "[PM from Otto: hi]");
    raw(1, "[PM to Bob: x]");
    EXPECT_THAT(gui.shown(), ElementsAre(color(PM_COLOR) + "[PM from Otto: hi]",
                                         color(PM_COLOR) + "[PM to Bob: x]"));
}

TEST_F(DisplayLine, LogKeepsNoColourOrControlByte) {
    raw(0, "Bob: \x85red\x1b[31m and \xe9t\xe9\x7f");
    raw(0, "Bob: first\nsecond\r\nthird");
    EXPECT_THAT(gui.shown(), ElementsAre("Bob: \x85red\x1b[31m and \xe9t\xe9\x7f",
                                         "Bob: first\nsecond\r\nthird"));
    EXPECT_THAT(chat_log(), ElementsAre("Bob: red[31m and ete", "Bob: first second third"));
}

TEST_F(DisplayLine, Latin1LettersAreShownAsSentAndLoggedInAscii) {
    raw(1, "[PM from Zo\xEB: h\xE9llo]");
    EXPECT_THAT(gui.shown(), ElementsAre(color(PM_COLOR) + "[PM from Zo\xEB: h\xE9llo]"));
    EXPECT_THAT(chat_log(), ElementsAre("[PM from Zoe: hello]"));
}

TEST_F(DisplayLine, PayloadShorterThanTwoBytesIsIgnored) {
    qvchat2::on_raw_text(&gui, &logger, afk.get(), &harness.client(), {0});
    qvchat2::on_raw_text(&gui, &logger, afk.get(), &harness.client(), {});
    EXPECT_THAT(gui.shown(), IsEmpty());
    EXPECT_THAT(chat_log(), IsEmpty());
    EXPECT_THAT(server_log(), IsEmpty());
}

TEST(MentionTest, NamesTheUserOnlyAsAWholeWord) {
    const struct {
        const char* text;
        const char* word;
        bool named;
    } cases[] = {
        {"Lovely weather for a walk.", "Al", false},
        {"al, come here", "Al", true},
        {"ask AL", "Al", true},
        {"Al-Tor and al's", "al", true},
        {"salt", "al", false},
        {"al_", "al", false},
        {"9al", "al", false},
        {"\xC9"
         "al",
         "al", false},
        {"\xD7"
         "al\xF7",
         "al", true},
        {"al al", "al al", true},
        {"x", "", false},
        {"a", "al", false},
        {"walk al", "al", true},
    };
    for (const auto& line : cases) {
        EXPECT_EQ(qvchat2::contains_whole_word(line.text, line.word), line.named)
            << line.text << " / " << line.word;
    }
}

TEST(MentionTest, ComparesAsciiLettersWithoutCase) {
    EXPECT_TRUE(qvchat2::contains_insensitive("hello BOB", "bob"));
    EXPECT_TRUE(qvchat2::contains_insensitive("bob", "Bob"));
    EXPECT_FALSE(qvchat2::contains_insensitive("bo b", "bob"));
    EXPECT_FALSE(qvchat2::contains_insensitive("bo", "bob"));
    EXPECT_FALSE(qvchat2::contains_insensitive("anything", ""));
    EXPECT_FALSE(qvchat2::contains_insensitive("", ""));
    // Only A to Z fold: Latin-1 e-acute and E-acute stay different.
    EXPECT_FALSE(qvchat2::contains_insensitive("\xe9", "\xc9"));
    EXPECT_TRUE(qvchat2::contains_insensitive("\xe9x", "\xe9X"));
}

TEST(LogText, KeepsThePrintableAsciiAndTheAsciiFormOfLatin1InOrder) {
    std::string every_byte;
    std::string kept;
    for (int byte = 0; byte < 256; ++byte) {
        every_byte += static_cast<char>(byte);
        if (byte == '\n' || byte == '\r') {
            kept += ' ';
        } else if (byte >= 32 && byte < 127) {
            kept += static_cast<char>(byte);
        } else if (byte >= 0xA0) {
            kept += qvchat2gui::ascii_form(static_cast<unsigned char>(byte));
        }
    }
    EXPECT_EQ(qvchat2::remove_special_characters(every_byte + every_byte), kept + kept);
}

TEST(LogText, EachLineBreakBecomesOneSpace) {
    const std::pair<const char*, const char*> cases[] = {
        {"first\nsecond", "first second"},
        {"first\r\nsecond", "first second"},
        {"first\rsecond", "first second"},
        {"a\n\nb", "a  b"},
        {"a\n\rb", "a  b"},
        {"a\r\r\nb", "a  b"},
        {"\x07\n\x85x\x1b\r\n", " x "},
        {"\r", " "},
    };
    for (const auto& [text, logged] : cases) {
        EXPECT_EQ(qvchat2::remove_special_characters(text), logged) << text;
    }
}

// While away and back again.
class AfkDisplay : public qvtest::ChatFixture {
protected:
    void go_away() { afk->set_message_and_go_afk(&gui, ""); }
    std::vector<std::string> shown_since_away() {
        auto lines = gui.shown();
        lines.erase(lines.begin());  // "Going AFK."
        return lines;
    }
};

TEST_F(AfkDisplay, OwnNameIsComparedWithCase) {
    go_away();
    raw(0, "alice: hi");
    EXPECT_TRUE(afk->is_afk());
    raw(0, "Alice: back");
    EXPECT_FALSE(afk->is_afk());
    EXPECT_THAT(shown_since_away(),
                ElementsAre("alice: hi", "You are no longer AFK", "Alice: back"));
}

TEST_F(AfkDisplay, OwnTextWhilePresentShowsNoReturnLine) {
    raw(0, "Alice: hi");
    EXPECT_FALSE(afk->is_afk());
    EXPECT_THAT(gui.shown(), ElementsAre("Alice: hi"));
}

TEST_F(AfkDisplay, SentPmEndsAwayUnlessItIsTheAutomaticReply) {
    go_away();
    raw(1, std::string("[PM to Bob: ") + AFK_TEXT + "]");
    EXPECT_TRUE(afk->is_afk());
    raw(1, "[PM to Bob: back]");
    EXPECT_FALSE(afk->is_afk());
    EXPECT_THAT(shown_since_away(),
                ElementsAre(color(PM_COLOR) + "[PM to Bob: " + AFK_TEXT + "]",
                            "You are no longer AFK", color(PM_COLOR) + "[PM to Bob: back]"));
    EXPECT_THAT(sent_pms(), IsEmpty());
}

TEST_F(AfkDisplay, ReceivedPmIsAnsweredOncePerAwayPeriod) {
    go_away();
    raw(1, "[PM from Bob: hi]");
    raw(1, "[PM from Bob: hello?]");
    raw(1, "[PM from Otto: hi]");
    EXPECT_TRUE(afk->is_afk());
    EXPECT_THAT(sent_pms(), ElementsAre(SentPm{"Bob", AFK_TEXT}, SentPm{"Otto", AFK_TEXT}));
    EXPECT_THAT(shown_since_away(), ElementsAre(color(PM_COLOR) + "[PM from Bob: hi]",
                                                color(PM_COLOR) + "[PM from Bob: hello?]",
                                                color(PM_COLOR) + "[PM from Otto: hi]"));

    // Back and away again: a new period, a new answer with the new text.
    raw(0, "Alice: back");
    afk->set_message_and_go_afk(&gui, "brb");
    raw(1, "[PM from Bob: and now?]");
    EXPECT_THAT(sent_pms(), ElementsAre(SentPm{"Bob", AFK_TEXT}, SentPm{"Otto", AFK_TEXT},
                                        SentPm{"Bob", "brb"}));
}

TEST_F(AfkDisplay, TwoAwayClientsStopAnsweringEachOther) {
    go_away();
    // Bob's client is away too: each of its answers comes back as a received PM.
    for (int round = 0; round < 5; ++round) {
        raw(1, "[PM from Bob: AFK: away as well]");
        raw(1, std::string("[PM to Bob: ") + AFK_TEXT + "]");
    }
    EXPECT_THAT(sent_pms(), ElementsAre(SentPm{"Bob", AFK_TEXT}));
    EXPECT_TRUE(afk->is_afk());
}

TEST_F(AfkDisplay, NothingIsAnsweredWhilePresent) {
    raw(1, "[PM from Bob: hi]");
    EXPECT_THAT(sent_pms(), IsEmpty());
}

TEST_F(AfkDisplay, LocalMentionIsAnsweredOnlyWhenRespondingLocally) {
    go_away();
    raw(0, "Bob: hey ALICE");
    EXPECT_THAT(sent_pms(), IsEmpty());

    use_afk_state(true);
    go_away();
    raw(0, "Bob: hey ALICE");
    raw(0, "Carl: nobody here");
    raw(0, "Dora pokes alice");
    EXPECT_THAT(sent_pms(), ElementsAre(SentPm{"Bob", AFK_TEXT}, SentPm{"Dora", AFK_TEXT}));
}

TEST_F(AfkDisplay, LineWithoutANameIsNobodysActivity) {
    go_away();
    raw(1, "[PM to : hi]");
    raw(0, ": hi");
    EXPECT_TRUE(afk->is_afk());
    EXPECT_THAT(shown_since_away(),
                ElementsAre(color(PM_COLOR) + "[PM to : hi]", color(SERVER_COLOR) + "hi"));
    EXPECT_THAT(sent_pms(), IsEmpty());
}

TEST_F(AfkDisplay, NameWithASpaceIsNeverAnswered) {
    use_afk_state(true);
    go_away();
    raw(0, "The town crier: hear ye, Alice");
    raw(4, "Old Tom: Alice?");
    EXPECT_THAT(sent_pms(), IsEmpty());
    EXPECT_TRUE(afk->is_afk());
}

TEST_F(AfkDisplay, GmChannelAndServerTextAreNeverAnswered) {
    use_afk_state(true);
    go_away();
    raw(2, "#GM from Ann: Alice?");
    raw(5, "[Ann]: Alice?");
    raw(3, "Alice?");
    raw(1, "Alice?");  // a PM without a sender
    EXPECT_THAT(sent_pms(), IsEmpty());
    EXPECT_TRUE(afk->is_afk());
}

}  // namespace
