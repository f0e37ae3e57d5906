#include "chat/spell_commands.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "app/name_list_file.h"
#include "gui/model/chat_text.h"
#include "tests/support/RecordingGUI.h"
#include "tests/support/TempDir.h"

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

class SpellCommand : public ::testing::Test {
protected:
    void SetUp() override { qvchat2::register_spell_commands(&gui, spelling, file); }

    // What the command answered.
    std::string run(const std::string& line) {
        gui.take_lines();
        gui.process_input(nullptr, line);
        const std::vector<std::string> lines = gui.take_lines();
        return lines.size() == 1 ? lines[0].substr(1) : "(" + std::to_string(lines.size()) + ")";
    }

    qvtest::TempDir folder;
    std::optional<std::filesystem::path> file = folder / "spell.txt";
    qvchat2gui::SpellingState spelling;
    qvtest::RecordingGUI gui;
};

TEST_F(SpellCommand, LearnsAndForgetsWordsInAPrivateFile) {
    const struct {
        const char* line;
        const char* answer;
    } cases[] = {
        {"#spell", "Spelling is off; 0 words learned. #set spell 1 switches it on"},
        {"#spell add Quorvan", "\"Quorvan\" is learned"},
        {"#spell add quorvan", "\"quorvan\" was learned already."},
        {"#spell add Zo\xEB", "\"Zo\xEB\" is learned"},
        {"#spell add 2nd", "Usage: #spell add WORD"},
        {"#spell add", "Usage: #spell add WORD"},
        {"#spell remove ZO\xCB", "\"ZO\xCB\" was not learned."},  // only ASCII letters fold
        {"#spell remove Marek", "\"Marek\" was not learned."},
        {"#spell forget x", "Usage: #spell, #spell add WORD or #spell remove WORD."},
    };
    for (const auto& each : cases) {
        EXPECT_THAT(run(each.line), HasSubstr(each.answer)) << each.line;
    }
    EXPECT_EQ(std::filesystem::status(*file).permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    EXPECT_THAT(qvchat2::load_name_list(*file).lines, ElementsAre("Quorvan", "Zo\xEB"));

    ASSERT_EQ(spelling.use("en_US"), "");
    EXPECT_THAT(run("#spell"), HasSubstr("Spelling with the en_US dictionary; 2 words learned."));
    EXPECT_THAT(run("#spell remove QUORVAN"), HasSubstr("is forgotten"));
    EXPECT_FALSE(spelling.checker()->known("Quorvan"));

    qvchat2gui::SpellingState next_run;
    std::ostringstream warnings;
    qvchat2::load_learned_words(file, next_run, warnings);
    EXPECT_THAT(next_run.learned(), ElementsAre("Zo\xEB"));
    EXPECT_EQ(warnings.str(), "");
    EXPECT_THAT(gui.command_words().at("spell"), ElementsAre("add", "remove"));
}

TEST_F(SpellCommand, AFileThatCannotBeReadIsNamedOnceAndLeftAlone) {
    std::filesystem::create_directory(*file);
    std::ostringstream warnings;
    qvchat2::load_learned_words(file, spelling, warnings);
    EXPECT_THAT(warnings.str(), HasSubstr("words learned are not saved"));
    EXPECT_EQ(file, std::nullopt);
}

}  // namespace
