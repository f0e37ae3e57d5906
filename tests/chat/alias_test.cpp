#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "chat/alias_commands.h"
#include "chat/alias_table.h"
#include "tests/support/RecordingGUI.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

constexpr std::size_t MESSAGE_BYTES = 50;

TEST(AliasTable, ExpandsTheWordsTypedThroughOtherAliasesAndRefusesWhatCannotBeSent) {
    qvchat2::AliasTable table;
    const std::vector<std::pair<std::string, std::string>> aliases = {
        {"hi", "/Marek hello $1"}, {"GG", "good game"},   {"all", "$* and $me"},
        {"swap", "$2 then $1"},    {"cost", "$$5, $x $"}, {"greet", "#HI $1"},
        {"loop-a", "#loop-b"},     {"loop-b", "#LOOP-A"}, {"big", "$* $* $* $*"},
        {"cmd", "#grep $*"},
    };
    for (const auto& [name, text] : aliases) {
        ASSERT_EQ(table.define(name, text), "") << name;
    }
    const struct {
        std::string typed;
        std::optional<std::string> line;  // nothing: no alias; "!" then a refusal's start
    } cases[] = {
        {"#hi there", "/Marek hello there"},
        {"#HI  there  you ", "/Marek hello there"},
        {"#gg", "good game"},
        {"#all  one two  ", "one two and bob"},
        {"#all", " and bob"},
        {"#swap a b", "b then a"},
        {"#cost", "$5, $x $"},
        {"#greet Ann", "/Marek hello Ann"},
        {"#cmd x y", "#grep x y"},
        {"#swap a", "!#swap needs 2 words after it, as it uses $2; nothing was sent."},
        {"#greet", "!#greet needs 1 word after it"},
        {"#loop-a", "!#loop-a stops after 10 steps: an alias that calls itself"},
        {"#big 0123456789ab", "!#big makes a line of more than 50 bytes"},
        {"#big 0123456789a", "0123456789a 0123456789a 0123456789a 0123456789a"},
        {"##hi there", std::nullopt},
        {"#hit there", std::nullopt},
        {"hi there", std::nullopt},
        {"#", std::nullopt},
    };
    for (const auto& test : cases) {
        const std::optional<qvchat2::AliasExpansion> expanded =
            table.expand(test.typed, "bob", MESSAGE_BYTES);
        ASSERT_EQ(expanded.has_value(), test.line.has_value()) << test.typed;
        if (!test.line) {
            continue;
        }
        if ((*test.line)[0] == '!') {
            EXPECT_EQ(expanded->line, "") << test.typed;
            EXPECT_THAT(expanded->refusal, HasSubstr(test.line->substr(1))) << test.typed;
        } else {
            EXPECT_EQ(expanded->line, *test.line) << test.typed;
            EXPECT_EQ(expanded->refusal, "") << test.typed;
        }
    }
}

// Ten aliases that call each other are followed to the end; an eleventh is one step too many.
TEST(AliasTable, FollowsTenStepsAndNoMore) {
    qvchat2::AliasTable table;
    for (int step = 1; step <= 11; ++step) {
        ASSERT_EQ(table.define("s" + std::to_string(step), "#s" + std::to_string(step + 1)), "");
    }
    ASSERT_EQ(table.define("s11", "end"), "");
    EXPECT_EQ(table.expand("#s2", "", MESSAGE_BYTES)->line, "end");
    EXPECT_THAT(table.expand("#s1", "", MESSAGE_BYTES)->refusal, HasSubstr("after 10 steps"));
}

TEST(AliasTable, NamesAndTextsAreBounded) {
    qvchat2::AliasTable table;
    const struct {
        std::string name;
        std::string text;
        std::string refusal;  // its start; empty when accepted
    } cases[] = {
        {"Ok_-9", "fine", ""},
        {std::string(32, 'n'), "longest name", ""},
        {std::string(33, 'n'), "x", "An alias's name has only"},
        {"bad!", "x", "An alias's name has only"},
        {"caf\xE9", "x", "An alias's name has only"},
        {"", "x", "An alias's name has only"},
        {"empty", "", "#empty needs a text"},
        {"long", std::string(513, 'x'), "An alias's text is at most 512 bytes; this one has 513."},
        {"longest", std::string(512, 'x'), ""},
        {"ctl", "a\nb", "An alias's text cannot hold control"},
    };
    for (const auto& test : cases) {
        EXPECT_EQ(table.define(test.name, test.text).substr(0, test.refusal.size()), test.refusal)
            << test.name;
    }
    EXPECT_EQ(table.text_of("ok_-9"), "fine");
    EXPECT_EQ(table.define("OK_-9", "replaced"), "");
    EXPECT_EQ(table.text_of("oK_-9"), "replaced");
    while (table.names().size() < qvchat2::MAX_ALIASES) {
        ASSERT_EQ(table.define("a" + std::to_string(table.names().size()), "x"), "");
    }
    EXPECT_EQ(table.define("one-more", "x"),
              "There can be at most 200 aliases; #unalias one first.");
    EXPECT_EQ(table.define("OK_-9", "still replaceable"), "");
}

// The commands against alias.txt in a temporary data folder: a bad line is named once at start,
// an alias of the file that a command hides is dropped, each change is written for the user alone.
TEST(AliasCommands, KeepAliasTxtForTheUserAloneAndNameTheLinesThatCannotBeRead) {
    const qvtest::TempDir documents;
    const qvtest::ScopedEnv documents_variable("XDG_DOCUMENTS_DIR", documents.path().string());
    const std::filesystem::path file = documents / "Quorvan" / "server" / "alias.txt";
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file) << "gg good game\nbad!name x\x1b[2J\nhelp shadowed\n\nwave #hi $me\n";
    std::ostringstream warnings;
    const auto aliases = qvchat2::load_aliases("server", warnings);
    EXPECT_EQ(warnings.str(),
              file.string() +
                  ": 1 line cannot be read and is skipped: \"bad!name x?[2J\". Each line "
                  "is NAME (letters, digits, _ and -) and its text, at most 200 lines.\n");

    qvtest::RecordingGUI gui;
    qvchat2::register_alias_commands(&gui, aliases, [] { return std::string("Bob"); });
    for (const char* typed : {"#alias", "#alias hi /Marek hello $1", "#alias help x", "#alias #GG",
                              "#alias nope", "#unalias gg", "#unalias gg", "#wave"}) {
        gui.process_input(nullptr, typed);
    }
    EXPECT_THAT(
        gui.take_lines(),
        ElementsAre(HasSubstr("#help is a command of the client; the alias of that name in "
                              "alias.txt is not used."),
                    HasSubstr("Aliases: #gg = \"good game\", #wave = \"#hi $me\"."),
                    HasSubstr("#hi now stands for \"/Marek hello $1\"."),
                    HasSubstr("#help is a command of the client; an alias cannot take its name."),
                    HasSubstr("#gg = \"good game\""),
                    HasSubstr("#nope is not an alias; #alias nope TEXT makes one."),
                    HasSubstr("#gg is no longer an alias."), HasSubstr("#gg is not an alias."),
                    HasSubstr("Not connected")));
    EXPECT_THAT(gui.alias_names(), ElementsAre("hi", "wave"));

    struct stat status {};
    ASSERT_EQ(::stat(file.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777U, 0600U);
    std::ostringstream none;
    EXPECT_EQ(qvchat2::load_aliases("server", none)->table.to_lines(),
              (std::vector<std::string>{"hi /Marek hello $1", "wave #hi $me"}));
    EXPECT_EQ(none.str(), "");
}

}  // namespace
