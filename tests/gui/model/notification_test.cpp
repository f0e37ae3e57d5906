#include "gui/model/notification.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <tuple>

namespace qvchat2gui {
namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

TEST(Notification, ModeNamesAreExactlyTheSettingTexts) {
    const std::pair<const char*, std::optional<NotifyMode>> names[] = {
        {"auto", NotifyMode::automatic}, {"osc777", NotifyMode::osc777}, {"osc9", NotifyMode::osc9},
        {"bell", NotifyMode::bell},      {"off", NotifyMode::off},       {"Auto", std::nullopt},
        {"automatic", std::nullopt},     {" bell", std::nullopt},        {"", std::nullopt},
        {"osc", std::nullopt},
    };
    for (const auto& [name, mode] : names) {
        EXPECT_EQ(notify_mode_named(name), mode) << '"' << name << '"';
    }
}

TEST(Notification, SequenceFollowsTheModeAndTheTerminal) {
    const std::string osc777 = "\x1B]777;notify;qvchat;hi \xC3\xA9\a";
    const std::string osc9 = "\x1B]9;hi \xC3\xA9\a";
    const TerminalFacts xterm{"xterm-256color", "", false};
    const TerminalFacts iterm{"xterm-256color", "iTerm.app", false};
    const TerminalFacts kitty{"xterm-kitty", "", false};
    const TerminalFacts ghostty{"xterm-ghostty", "", false};
    const TerminalFacts linux_console{"linux", "", false};
    const TerminalFacts tmux{"tmux-256color", "tmux", true};
    const TerminalFacts tmux_as_screen{"screen", "tmux", true};
    const std::string tmux777 = "\x1BPtmux;\x1B\x1B]777;notify;qvchat;hi \xC3\xA9\a\x1B\\\a";
    const std::tuple<NotifyMode, TerminalFacts, std::string> cases[] = {
        {NotifyMode::osc777, xterm, osc777},
        {NotifyMode::osc777, iterm, osc777},
        {NotifyMode::osc9, xterm, osc9},
        {NotifyMode::bell, kitty, "\a"},
        {NotifyMode::off, xterm, ""},
        {NotifyMode::automatic, xterm, osc777},
        {NotifyMode::automatic, iterm, osc9},
        {NotifyMode::automatic, kitty, osc9},
        {NotifyMode::automatic, ghostty, osc9},
        {NotifyMode::automatic, {"ghostty", "", false}, osc9},
        {NotifyMode::automatic, linux_console, "\a"},
        {NotifyMode::automatic, {"dumb", "", false}, "\a"},
        {NotifyMode::automatic, {"vt100", "", false}, "\a"},
        {NotifyMode::automatic, {"vte-256color", "", false}, osc777},
        {NotifyMode::automatic, {"screen.xterm-256color", "", false}, "\a"},
        {NotifyMode::automatic, tmux, tmux777},
        {NotifyMode::automatic, tmux_as_screen, tmux777},
        {NotifyMode::osc777, tmux, tmux777},
        {NotifyMode::osc9, tmux, "\x1BPtmux;\x1B\x1B]9;hi \xC3\xA9\a\x1B\\\a"},
        {NotifyMode::bell, tmux, "\a"},
        {NotifyMode::off, tmux, ""},
    };
    for (const auto& [mode, terminal, expected] : cases) {
        EXPECT_EQ(notification_sequence(mode, terminal, "hi \xC3\xA9"), expected)
            << static_cast<int>(mode) << " TERM=" << terminal.term
            << " TERM_PROGRAM=" << terminal.term_program << " tmux=" << terminal.inside_tmux;
    }
}

// Whatever reaches the sequence, only the frame's own ESC and BEL are control bytes in it.
TEST(Notification, SequenceDropsControlsAndBrokenUtf8FromTheText) {
    const std::pair<std::string, std::string> texts[] = {
        {"a\x1B]0;x\a\x9B"
         "b\x7F\x01",
         "a]0;xb"},
        {"\xC2\x9B"
         "c\xC2\x85",
         "c"},  // C1 controls as UTF-8
        {"\xC3\x84\xE2\x82\xAC\xF0\x9F\x98\x80", "\xC3\x84\xE2\x82\xAC\xF0\x9F\x98\x80"},
        {"\xC3 \xE2\x82 \xC0\xAF \xED\xA0\x80 \x80\x9F", "    "},  // cut, overlong, surrogate
        {"\xE9t\xE9", "t"},                                        // Latin-1 left as it was
    };
    const TerminalFacts xterm{"xterm", "", false};
    for (const auto& [text, kept] : texts) {
        EXPECT_EQ(notification_sequence(NotifyMode::osc9, xterm, text), "\x1B]9;" + kept + "\a")
            << text;
    }
}

TEST(Notification, TextIsTheShownLineInUtf8WithoutControlBytes) {
    const std::pair<std::string, std::string> lines[] = {
        {"\x87[PM from Ysolde: hi]", "[PM from Ysolde: hi]"},
        {"\x19"
         "a\x1B[31mb\a\x9B"
         "2J\x7F\x80\x9A\x9F\t\n",
         "a[31mb2J"},
        {"Zo\xEB \xC4rger \xA0\xFF", "Zo\xC3\xAB \xC3\x84rger \xC2\xA0\xC3\xBF"},
        {"", ""},
    };
    for (const auto& [line, text] : lines) {
        EXPECT_EQ(notification_text(line), text) << line;
    }
    std::string every_byte;
    for (int byte = 0; byte <= 0xFF; ++byte) {
        every_byte.push_back(static_cast<char>(byte));
    }
    const std::string text = notification_text(every_byte);
    EXPECT_EQ(text.find_first_of("\x1B\a"), std::string::npos);
    EXPECT_EQ(notification_sequence(NotifyMode::osc9, {"xterm", "", false}, text),
              "\x1B]9;" + text + "\a")
        << "the text made is kept whole by the sequence";
}

TEST(Notification, TextIsCutToTwoHundredCharactersNotBytes) {
    const std::string exactly(200, 'x');
    EXPECT_EQ(notification_text(exactly), exactly);
    EXPECT_EQ(notification_text(exactly + "\x81"), exactly) << "colour bytes do not count";
    EXPECT_EQ(notification_text(exactly + "y"), std::string(197, 'x') + "...");

    // 200 letters of two UTF-8 bytes each are 400 bytes and still whole.
    const std::string letters(200, '\xE9');
    std::string utf8_letters;
    for (int index = 0; index < 200; ++index) {
        utf8_letters += "\xC3\xA9";
    }
    EXPECT_EQ(notification_text(letters), utf8_letters);
    EXPECT_EQ(notification_text(letters + "\xE9"), utf8_letters.substr(0, 394) + "...");
}

class NotificationThrottleTest : public ::testing::Test {
protected:
    static steady_clock::time_point at(int milliseconds_in) {
        return steady_clock::time_point{} + std::chrono::hours(1) + milliseconds(milliseconds_in);
    }
    NotificationThrottle throttle;
};

TEST_F(NotificationThrottleTest, FirstGoesAtOnceOthersWithinTheIntervalAreHeld) {
    EXPECT_EQ(throttle.next_due(), std::nullopt);
    EXPECT_EQ(throttle.offer("one", at(0)), "one");
    EXPECT_EQ(throttle.next_due(), std::nullopt);
    EXPECT_EQ(throttle.offer("two", at(1999)), std::nullopt);
    EXPECT_EQ(throttle.next_due(), at(2000));
    EXPECT_EQ(throttle.take_due(at(1999)), std::nullopt);
    EXPECT_EQ(throttle.take_due(at(2500)), "two");
    EXPECT_EQ(throttle.next_due(), std::nullopt);
    EXPECT_EQ(throttle.take_due(at(9000)), std::nullopt) << "sent once only";
    EXPECT_EQ(throttle.offer("three", at(4000)), std::nullopt) << "the summary counts as sent";
    EXPECT_EQ(throttle.next_due(), at(4500));
    EXPECT_EQ(throttle.offer("four", at(7000)), "2 more: four")
        << "held ones go with a new one once their time has come";
    EXPECT_EQ(throttle.offer("five", at(9000)), "five") << "after a quiet interval";
}

TEST_F(NotificationThrottleTest, SeveralHeldAreSummedUpWithTheNewestWithinTheCap) {
    EXPECT_EQ(throttle.offer("first", at(0)), "first");
    EXPECT_EQ(throttle.offer("[PM from Marek: a]", at(10)), std::nullopt);
    EXPECT_EQ(throttle.offer("[PM from Marek: b]", at(20)), std::nullopt);
    EXPECT_EQ(throttle.offer("[PM from Ysolde: hi]", at(30)), std::nullopt);
    EXPECT_EQ(throttle.take_due(at(2000)), "3 more: [PM from Ysolde: hi]");

    EXPECT_EQ(throttle.offer("x", at(2100)), std::nullopt);
    EXPECT_EQ(throttle.offer(std::string(200, 'y'), at(2200)), std::nullopt);
    EXPECT_EQ(throttle.take_due(at(4000)), "2 more: " + std::string(189, 'y') + "...");
}

}  // namespace
}  // namespace qvchat2gui
