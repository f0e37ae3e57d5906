#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "chat/trigger_commands.h"
#include "chat/trigger_list.h"
#include "tests/support/RecordingGUI.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::StartsWith;

constexpr char ACTIONS[] = "the actions are colour N, hide, bell, notify, pane and speak.";

TEST(TriggerList, ReadsThePatternAndEachActionOrSaysWhatIsAccepted) {
    const struct {
        std::string typed;
        std::string result;  // the confirmation, or the refusal when it starts with '!'
    } cases[] = {
        {"/boss|raid/ colour 2 bell", "Trigger 1: /boss|raid/ colour 2 bell."},
        {"  /a b / c/   hide", "Trigger 1: /a b / c/ hide."},
        {"/x/y/ bell", "Trigger 1: /x/y/ bell."},
        {"raid COLOR yellow", "Trigger 1: raid colour yellow."},
        {"raid colour 23", "Trigger 1: raid colour yellow."},
        {"raid speak pane notify bell hide colour Gray",
         "Trigger 1: raid colour grey hide bell notify pane speak."},
        {"raid colour 0", "Trigger 1: raid colour white."},
        {"raid colour 9", "Trigger 1: raid colour 9."},
        {"raid colour magenta", "Trigger 1: raid colour magenta."},
        {"raid colour 17", "Trigger 1: raid colour green."},
        {"raid colour 25", "Trigger 1: raid colour blue."},
        {"/raid bell", "Trigger 1: /raid bell."},  // no closing slash: a word
        {"// bell", "Trigger 1: // bell."},
        {"",
         "!Usage: #trigger /REGEX/ ACTION... or #trigger WORD ACTION...; " + std::string(ACTIONS)},
        {"raid",
         "!A trigger needs at least one action: colour N, hide, bell, notify, pane and "
         "speak."},
        {"/raid bell/", "!A trigger needs at least one action"},
        {"raid ring", "!\"ring\" is not an action; " + std::string(ACTIONS)},
        {"raid colour",
         "!colour takes one of 0, 2, 9, 16, 23, 7, 17, 20 and 25, or white, "
         "yellow, magenta, green, grey and blue."},
        {"raid colour 3", "!colour takes one of"},
        {"raid colour red bell", "!colour takes one of"},
        {"raid bell bell", "!bell is given twice; each action is given at most once."},
        {"raid colour 2 color 9", "!colour is given twice"},
        {"/x(/ bell", "!Cannot use /x(/: missing closing parenthesis at 2."},
        {"/(*UTF)x/ bell", "!Cannot use /(*UTF)x/: using UTF is disabled"},
        {"ra\x1B[2Jid bell", "!A trigger holds no control or colour bytes."},
        {"/" + std::string(198, 'a') + "/ bell", "Trigger 1: /"},
        {"/" + std::string(199, 'a') + "/ bell",
         "!A trigger's pattern can be at most 200 bytes long."},
    };
    for (const auto& test : cases) {
        qvchat2::TriggerList list;
        const qvchat2::TriggerOutcome outcome = list.add(test.typed);
        const bool refused = test.result[0] == '!';
        EXPECT_EQ(outcome.accepted, !refused) << test.typed;
        EXPECT_THAT(outcome.message, StartsWith(refused ? test.result.substr(1) : test.result))
            << test.typed;
        EXPECT_EQ(list.size(), refused ? 0U : 1U) << test.typed;
    }
}

TEST(TriggerList, MatchesEveryKindOfLineAndMergesTheActions) {
    qvchat2::TriggerList list;
    for (const char* typed : {"ann colour 2", "/^\\[\\w+ @ 3\\]/ bell", "Zed notify",
                              "/gold|iron/ hide colour 7", "c++ pane", "zo\xEB speak"}) {
        ASSERT_TRUE(list.add(typed).accepted) << typed;
    }
    const struct {
        std::string line;
        std::vector<int> matched;  // the triggers, from 1
    } lines[] = {
        {"\x80"
         "Ann: hi",
         {1}},
        {"\x80[Ann @ 3]: hi", {1, 2}},
        {"\x80[Bob @ 4]: hi", {}},
        {"\x87[PM from ANN: hi]", {1}},
        {"\x99#GM from Zed: hi", {3}},
        {"\x99#GM from zed: hi", {}},  // an upper-case letter makes case count
        {"\x91Zedd joins", {}},        // a whole word only
        {"\x80"
         "A\x85nn: I have IR\x81ON",
         {1, 4}},  // colour bytes inside a word take no part
        {"\x80Joanne: annual sale of c++ books", {5}},
        {"\x80Zo\xCB is here", {6}},  // Latin-1 letters fold too
        {"\x80\xE9zo\xEB", {}},       // a Latin-1 letter is a word byte
        {"", {}},
    };
    std::vector<int> counted(7, 0);
    for (const auto& test : lines) {
        const qvchat2::TriggerActions actions = list.match(test.line);
        auto took = [&test](int trigger) {
            return std::find(test.matched.begin(), test.matched.end(), trigger) !=
                   test.matched.end();
        };
        for (const int trigger : test.matched) {
            ++counted[trigger];
        }
        // The first trigger's colour wins: trigger 1's 2 over trigger 4's 7.
        const std::optional<std::uint8_t> colour =
            took(1) ? std::optional<std::uint8_t>(2)
                    : (took(4) ? std::optional<std::uint8_t>(7) : std::nullopt);
        EXPECT_EQ(actions.colour, colour) << test.line;
        EXPECT_EQ(actions.bell, took(2)) << test.line;
        EXPECT_EQ(actions.notify, took(3)) << test.line;
        EXPECT_EQ(actions.hide, took(4)) << test.line;
        EXPECT_EQ(actions.pane, took(5)) << test.line;
        EXPECT_EQ(actions.speak, took(6)) << test.line;
        EXPECT_TRUE(actions.notices.empty()) << test.line;
    }
    const std::vector<qvchat2::ListedTrigger> listed = list.list();
    ASSERT_EQ(listed.size(), 6U);
    for (std::size_t index = 0; index < listed.size(); ++index) {
        EXPECT_EQ(listed[index].times_matched, static_cast<std::uint64_t>(counted[index + 1]))
            << listed[index].text;
    }
}

// A pattern that backtracks without end on a line gives up promptly, is named once, and the
// other triggers still match that line.
TEST(TriggerList, CostlyPatternIsLeftOffForTheLineAndNamedOnce) {
    qvchat2::TriggerList list;
    ASSERT_TRUE(list.add("raid bell").accepted);
    ASSERT_TRUE(list.add("/(\\w+\\s?)+$/ hide").accepted);
    std::string line = "\x80";
    for (int word = 0; word < 20; ++word) {
        line += "raid ";
    }
    line += "now!";
    const auto started = std::chrono::steady_clock::now();
    const qvchat2::TriggerActions first = list.match(line);
    const qvchat2::TriggerActions second = list.match(line);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(500));
    EXPECT_TRUE(first.bell);
    EXPECT_FALSE(first.hide);
    EXPECT_THAT(first.notices,
                ElementsAre("Trigger 2 (/(\\w+\\s?)+$/) was too costly for a line and was left "
                            "off for it; it stays on for other lines."));
    EXPECT_TRUE(second.bell);
    EXPECT_TRUE(second.notices.empty());
    EXPECT_TRUE(list.match("\x80raid now").hide);
    EXPECT_EQ(list.list()[1].times_matched, 1U);

    // Many costly triggers cost a line no more than a few of them: those after are left off.
    qvchat2::TriggerList costly;
    for (std::size_t index = 0; index < qvchat2::MAX_COSTLY_TRIGGERS_PER_LINE + 2; ++index) {
        ASSERT_TRUE(costly.add("/(\\w+\\s?)+$/ hide").accepted);
    }
    ASSERT_TRUE(costly.add("now bell").accepted);
    const qvchat2::TriggerActions cut_short = costly.match(line);
    EXPECT_FALSE(cut_short.bell);
    ASSERT_EQ(cut_short.notices.size(), qvchat2::MAX_COSTLY_TRIGGERS_PER_LINE + 1);
    EXPECT_EQ(cut_short.notices.back(),
              "Triggers 9 to 11 were left off for a line after 8 before them were too costly "
              "for it; they stay on for other lines.");
    EXPECT_TRUE(costly.match(line).notices.empty());
    EXPECT_TRUE(costly.match("\x80raid now").bell);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(500));
}

TEST(TriggerList, RemovesByNumberAndBoundsTheCountAndTheMemory) {
    qvchat2::TriggerList list;
    EXPECT_EQ(list.remove(1).message, "There are no triggers to remove.");
    while (list.size() < qvchat2::MAX_TRIGGERS) {
        ASSERT_TRUE(list.add("w" + std::to_string(list.size()) + " bell").accepted);
    }
    EXPECT_EQ(list.add("one-more bell").message,
              "There can be at most 200 triggers; #untrigger one first.");
    for (const std::size_t refused : {std::size_t{0}, std::size_t{201}}) {
        EXPECT_EQ(list.remove(refused).message,
                  "#untrigger takes a number from 1 to 200, as #trigger lists them.");
    }
    EXPECT_TRUE(list.match("w1 and w199").bell);
    EXPECT_EQ(list.remove(2).message, "Trigger 2 (w1 bell) is removed.");
    EXPECT_EQ(list.size(), 199U);
    EXPECT_EQ(list.to_lines()[1], "w2 bell");
    EXPECT_FALSE(list.match("w1").bell);

    // Short patterns that compile to tens of KiB each fill the memory bound before the count.
    qvchat2::TriggerList large;
    qvchat2::TriggerOutcome outcome;
    while ((outcome = large.add("/(?:[a-z]{1,3}\\w{2}){1000}/ hide")).accepted) {
        ASSERT_LT(large.size(), qvchat2::MAX_TRIGGERS);
    }
    EXPECT_THAT(outcome.message, StartsWith("The triggers' patterns can take at most 4 MiB "
                                            "compiled, and this one takes "));
    EXPECT_TRUE(large.remove(1).accepted);
    EXPECT_TRUE(large.add("/(?:[a-z]{1,3}\\w{2}){1000}/ hide").accepted);
}

// The commands against triggers.txt in a temporary data folder: each bad line is named at start
// with its number and skipped, each change is written for the user alone and read back.
TEST(TriggerCommands, KeepTriggersTxtAndNameEachLineThatCannotBeRead) {
    const qvtest::TempDir documents;
    const qvtest::ScopedEnv documents_variable("XDG_DOCUMENTS_DIR", documents.path().string());
    const std::filesystem::path file = documents / "Quorvan" / "server" / "triggers.txt";
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file) << "/boss|raid/ colour 2 bell\n\nraid\x1B[2J bell\n/x(/ hide\ngold "
                           "ring\nZed notify\n";
    std::ostringstream warnings;
    qvchat2::TriggerList list;
    const auto saved_to = qvchat2::load_triggers(list, "server", warnings);
    EXPECT_EQ(saved_to, file);
    EXPECT_EQ(warnings.str(), file.string() +
                                  ":3: \"raid?[2J bell\" is skipped: A trigger holds no control or "
                                  "colour bytes.\n" +
                                  file.string() +
                                  ":4: \"/x(/ hide\" is skipped: Cannot use /x(/: missing closing "
                                  "parenthesis at 2.\n" +
                                  file.string() +
                                  ":5: \"gold ring\" is skipped: \"ring\" is not an action; " +
                                  ACTIONS + "\n");

    qvtest::RecordingGUI gui;
    qvchat2::register_trigger_commands(&gui, list, saved_to);
    list.match("\x80raid now");
    for (const char* typed : {"#trigger", "#trigger gold hide", "#trigger gold", "#untrigger x",
                              "#untrigger 2", "#trigger", "#help untrigger"}) {
        gui.process_input(nullptr, typed);
    }
    EXPECT_THAT(
        gui.take_lines(),
        ElementsAre(HasSubstr("Triggers, with how often each matched in this run:"),
                    HasSubstr("1. /boss|raid/ colour 2 bell (matched once)"),
                    HasSubstr("2. Zed notify (not matched yet)"),
                    HasSubstr("Trigger 3: gold hide."),
                    HasSubstr("A trigger needs at least one action"),
                    HasSubstr("#untrigger takes a number from 1 to 3"),
                    HasSubstr("Trigger 2 (Zed notify) is removed."), HasSubstr("Triggers, with"),
                    HasSubstr("1. /boss|raid/"), HasSubstr("2. gold hide (not matched yet)"),
                    HasSubstr("#help, #quit, #trigger, #untrigger"), ::testing::_,
                    HasSubstr("#untrigger N: removes trigger N")));

    struct stat status {};
    ASSERT_EQ(::stat(file.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777U, 0600U);
    std::ostringstream none;
    qvchat2::TriggerList reread;
    qvchat2::load_triggers(reread, "server", none);
    EXPECT_EQ(reread.to_lines(),
              (std::vector<std::string>{"/boss|raid/ colour 2 bell", "gold hide"}));
    EXPECT_EQ(none.str(), "");

    // A folder where the file should be cannot be read: one warning, and nothing is saved.
    std::filesystem::remove(file);
    std::filesystem::create_directory(file);
    std::ostringstream unreadable;
    qvchat2::TriggerList unsaved;
    EXPECT_EQ(qvchat2::load_triggers(unsaved, "server", unreadable), std::nullopt);
    const std::string warned = unreadable.str();
    EXPECT_THAT(warned, HasSubstr("Cannot read " + file.string()));
    EXPECT_EQ(std::count(warned.begin(), warned.end(), '\n'), 1);
}

}  // namespace
