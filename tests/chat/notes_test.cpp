#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "chat/note_commands.h"
#include "gui/model/chat_text.h"
#include "tests/app/text_files.h"
#include "tests/chat/chat_fixture.h"
#include "tests/support/RecordingGUI.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"

namespace {

using qvchat2::player_notes;
using qvchat2gui::OFF_CHANNEL_COLOR;
using qvtest::color;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

void forget_all_notes() {
    for (const qvchat2::PlayerNote& note : player_notes().entries()) {
        player_notes().remove(note.name);
    }
}

// The commands against notes.txt in a temporary data folder.
class NoteCommands : public ::testing::Test {
protected:
    void SetUp() override {
        forget_all_notes();
        std::filesystem::create_directories(file.parent_path());
    }
    void TearDown() override { forget_all_notes(); }

    // The lines `typed` shows, the colour byte of each left out.
    std::vector<std::string> run(const std::string& typed) {
        gui.process_input(nullptr, typed);
        std::vector<std::string> shown = gui.take_lines();
        for (std::string& line : shown) {
            line.erase(0, 1);
        }
        return shown;
    }

    const qvtest::TempDir documents;
    const qvtest::ScopedEnv documents_variable{"XDG_DOCUMENTS_DIR", documents.path().string()};
    const std::filesystem::path file = documents / "Quorvan" / "server" / "notes.txt";
    qvtest::RecordingGUI gui;
};

TEST_F(NoteCommands, KeepShowReplaceRemoveListAndRefuse) {
    std::optional<std::filesystem::path> kept = qvchat2::notes_file("server");
    std::ostringstream warnings;
    qvchat2::load_notes(kept, warnings);
    ASSERT_EQ(kept, file);
    qvchat2::register_note_commands(&gui, kept);
    const std::string too_long(qvchat2::MAX_NOTE_BYTES + 1, 'x');
    const struct {
        std::string typed;
        std::vector<std::string> shown;
    } cases[] = {
        {"#notes", {"No notes. #note NAME TEXT keeps a note on a player."}},
        {"#note",
         {"Usage: #note NAME TEXT keeps a note on a player, #note NAME shows it, #note NAME - "
          "removes it; #notes lists them."}},
        {"#note Marek owes me 5 gold  ", {"Noted on Marek: owes me 5 gold"}},
        {"#note  MAREK", {"Note on Marek: owes me 5 gold"}},
        {"#note marek owes me 7 gold", {"The note on marek is now: owes me 7 gold"}},
        {"#note Zo\xEB guild leader", {"Noted on Zo\xEB: guild leader"}},
        {"#NOTE Ann -", {"No note on Ann."}},
        {"#note Ann", {"No note on Ann; #note Ann TEXT keeps one."}},
        {"#notes", {"Notes on 2 players:", "marek: owes me 7 gold", "Zo\xEB: guild leader"}},
        {"#note Ann " + too_long, {"A note can be at most 400 bytes; this one is 401."}},
        {"#note Ann " + std::string(qvchat2::MAX_NOTE_BYTES, 'x') + "   ",
         {"Noted on Ann: " + std::string(qvchat2::MAX_NOTE_BYTES, 'x')}},
        {"#note Ann -", {"The note on Ann is removed."}},
        {"#note Ann a\x1B[2Jb", {"A note holds no control or colour bytes."}},
        {"#note A\x1B[2J x", {"A player's name holds no control or colour bytes."}},
        {"#note Zo\xEB -  ", {"The note on Zo\xEB is removed."}},
        {"#note Ann - x", {"Noted on Ann: - x"}},
    };
    for (const auto& test : cases) {
        EXPECT_EQ(run(test.typed), test.shown) << test.typed;
    }
    EXPECT_EQ(qvtest::read_file_lines(file),
              (std::vector<std::string>{"Ann - x", "marek owes me 7 gold"}));
    struct stat status {};
    ASSERT_EQ(::stat(file.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777U, 0600U);

    // Tab after #note: the noted names first, then those seen in the chat.
    gui.note_name("Otto");
    EXPECT_THAT(gui.command_word_sources().at("note")(), ElementsAre("Ann", "marek", "Otto"));
}

// A file of an earlier run: its bad lines are named with their numbers in one warning and
// skipped, the others kept; what is saved reads back the same.
TEST_F(NoteCommands, NotesTxtRoundTripSkipsAndNamesTheLinesThatCannotBeRead) {
    std::ofstream(file) << "Marek owes me 5 gold\n\nLonely\n \xC3\xA9mile x\nAnn a\x1B[2J\n"
                        << "Bob " << std::string(qvchat2::MAX_NOTE_BYTES + 1, 'x') << "\n"
                        << "MAREK  owes me 6 gold\nZo\xC3\xAB guild leader\n";
    std::optional<std::filesystem::path> kept = file;
    std::ostringstream warnings;
    qvchat2::load_notes(kept, warnings);
    EXPECT_EQ(warnings.str(),
              file.string() +
                  ": 4 lines cannot be read and are skipped: line 3 \"Lonely\", line 4 \" \xE9mile "
                  "x\", line 5 \"Ann a?[2J\" and 1 more. Each line is a player's NAME, a space "
                  "and the note, at most 400 bytes without control bytes.\n");
    ASSERT_EQ(kept, file);
    EXPECT_THAT(player_notes().to_lines(),
                ElementsAre("MAREK owes me 6 gold", "Zo\xEB guild leader"));

    qvchat2::register_note_commands(&gui, kept);
    run("#note Ann new");
    forget_all_notes();
    std::ostringstream none;
    qvchat2::load_notes(kept, none);
    EXPECT_EQ(none.str(), "");
    EXPECT_THAT(player_notes().to_lines(),
                ElementsAre("Ann new", "MAREK owes me 6 gold", "Zo\xEB guild leader"));
}

// A folder where the file should be: named at start and not used; a save into it, had it come
// later, is said. The count is bounded.
TEST_F(NoteCommands, AFileThatCannotBeUsedIsNamedAndTheCountIsBounded) {
    std::filesystem::create_directory(file);
    std::optional<std::filesystem::path> kept = file;
    std::ostringstream warnings;
    qvchat2::load_notes(kept, warnings);
    EXPECT_EQ(kept, std::nullopt);
    EXPECT_THAT(warnings.str(),
                HasSubstr("Cannot read " + file.string() +
                          ": it is not a regular file. It is not used in this run"));

    qvchat2::register_note_commands(&gui, file);
    for (std::size_t index = 0; index < qvchat2::MAX_NOTED_PLAYERS; ++index) {
        ASSERT_TRUE(player_notes().keep("p" + std::to_string(index), "x").accepted);
    }
    EXPECT_EQ(run("#note newcomer x"),
              (std::vector<std::string>{"There can be at most 1000 notes; #note NAME - "
                                        "removes one."}));
    EXPECT_THAT(run("#note P7 y"), ElementsAre("The note on P7 is now: y",
                                               HasSubstr("Cannot save " + file.string() + ": ")));
}

class NoteAfterMessage : public qvtest::ChatFixture {
protected:
    void SetUp() override {
        ChatFixture::SetUp();
        forget_all_notes();
    }
    void TearDown() override { forget_all_notes(); }
};

// A note follows the first private message received from its player in a run, and only that.
TEST_F(NoteAfterMessage, TheFirstPrivateMessageFromANotedPlayerBringsUpTheNoteOnce) {
    ASSERT_TRUE(player_notes().keep("Marek", "owes me 5 gold").accepted);
    raw(0, "Marek: hi all");
    raw(1, "[PM to Marek: you there?]");
    raw(1, "[PM from Bob: hi]");
    raw(1, "[PM from MAREK: yes]");
    raw(1, "[PM from Marek: again]");
    const std::vector<std::string> shown = gui.take_lines();
    ASSERT_EQ(shown.size(), 6U);
    EXPECT_THAT(shown[3], HasSubstr("[PM from MAREK: yes]"));
    EXPECT_EQ(shown[4], color(OFF_CHANNEL_COLOR) + "note on Marek: owes me 5 gold");
    EXPECT_THAT(shown[5], HasSubstr("[PM from Marek: again]"));
}

}  // namespace
