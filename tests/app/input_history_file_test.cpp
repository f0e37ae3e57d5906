#include "app/input_history_file.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "tests/app/text_files.h"
#include "tests/support/TempDir.h"

namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

constexpr std::size_t MAX_BYTES = qvchat2::MAX_HISTORY_FILE_BYTES;

TEST(InputHistoryFile, KeepsTheNewestEntriesPrivateInUtf8AndReadsThemBack) {
    const qvtest::TempDir folder;
    const fs::path file = folder / qvchat2::INPUT_HISTORY_FILE;
    std::vector<std::string> entries;
    for (std::size_t index = 0; index < qvchat2::SAVED_HISTORY_ENTRIES + 5; ++index) {
        entries.push_back("line " + std::to_string(index));
    }
    entries.push_back("");
    entries.push_back("Zo\xEB says h\xE9llo \xFF");
    // A file left readable by others from before is replaced by a private one.
    qvtest::write_file(file, "old\n");
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_read);

    std::string error;
    ASSERT_TRUE(qvchat2::save_input_history(file, entries, error)) << error;
    EXPECT_EQ(fs::status(file).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 1);
    EXPECT_THAT(qvtest::read_file(file),
                ::testing::EndsWith("\nZo\xC3\xAB says h\xC3\xA9llo \xC3\xBF\n"));

    const qvchat2::SavedHistory loaded = qvchat2::load_input_history(file);
    EXPECT_EQ(loaded.problem, "");
    ASSERT_EQ(loaded.entries.size(), qvchat2::SAVED_HISTORY_ENTRIES);
    EXPECT_EQ(loaded.entries.front(), "line 7");
    EXPECT_EQ(loaded.entries[loaded.entries.size() - 2], "");
    EXPECT_EQ(loaded.entries.back(), entries.back());
}

// Lines that are not UTF-8 were written by an older version, in Latin-1.
TEST(InputHistoryFile, EachLineIsReadAsUtf8OrElseAsLatin1) {
    const qvtest::TempDir folder;
    const fs::path file = folder / qvchat2::INPUT_HISTORY_FILE;
    qvtest::write_file(file,
                       "Caf\xC3\xA9\n"            // UTF-8
                       "Caf\xE9 d\xE9j\xE0\n"     // Latin-1
                       "\xE2\x82\xAC 5\r\n"       // beyond Latin-1
                       "\xC0\xAF \xED\xA0\x80\n"  // overlong form, surrogate
                       "two\xE2\x80\xA8lines\n"   // a line separator: an entry of two lines
                       "a\\nb\n"                  // a backslash typed before an n
                       "cut \xC3");               // unterminated last line, cut character
    EXPECT_THAT(qvchat2::load_input_history(file).entries,
                ElementsAre("Caf\xE9", "Caf\xE9 d\xE9j\xE0", "? 5", "\xC0\xAF \xED\xA0\x80",
                            "two\nlines", "a\\nb", "cut \xC3"));

    // An entry of several lines is saved on one line of the file, and read back as it was.
    std::string error;
    ASSERT_TRUE(qvchat2::save_input_history(file, {"one\ntwo\n", "a\\nb"}, error)) << error;
    EXPECT_EQ(qvtest::read_file(file), "one\xE2\x80\xA8two\xE2\x80\xA8\na\\nb\n");
    EXPECT_THAT(qvchat2::load_input_history(file).entries, ElementsAre("one\ntwo\n", "a\\nb"));
}

TEST(InputHistoryFile, OnlyTheWholeLinesOfTheLastMebibyteAreRead) {
    const struct {
        std::string contents;
        std::vector<std::string> entries;
    } cases[] = {
        // The tail begins inside the first line, which is left out.
        {std::string(MAX_BYTES / 2, 'A') + "\n" + std::string(MAX_BYTES / 2, 'B') + "\nlast\n",
         {std::string(MAX_BYTES / 2, 'B'), "last"}},
        // The tail begins right after a line feed: its first line is whole.
        {"first\n" + std::string(MAX_BYTES - 6, 'S') + "\nlast\n",
         {std::string(MAX_BYTES - 6, 'S'), "last"}},
        // One line longer than the tail gives nothing.
        {std::string(MAX_BYTES + 1, 'L') + "\n", {}},
    };
    const qvtest::TempDir folder;
    const fs::path file = folder / qvchat2::INPUT_HISTORY_FILE;
    for (const auto& line : cases) {
        qvtest::write_file(file, line.contents);
        EXPECT_EQ(qvchat2::load_input_history(file).entries, line.entries);
    }
}

// Such a file is named once and left as it is: nothing read, nothing waited for, nothing saved.
TEST(InputHistoryFile, AFileThatIsNotARegularOneIsNamedAndLeftAlone) {
    const qvtest::TempDir folder;
    qvtest::write_file(folder / "kept.txt", "kept\n");
    const struct {
        std::string name;
        std::string problem;
    } cases[] = {
        {"fifo", "it is not a regular file"},
        {"folder", "it is not a regular file"},
        {"to_zero", "it is a symbolic link, which is not followed"},
        {"to_file", "it is a symbolic link, which is not followed"},
    };
    ASSERT_EQ(::mkfifo((folder / "fifo").c_str(), 0600), 0);
    fs::create_directory(folder / "folder");
    fs::create_symlink("/dev/zero", folder / "to_zero");
    fs::create_symlink(folder / "kept.txt", folder / "to_file");
    for (const auto& line : cases) {
        std::optional<fs::path> file = folder / line.name;
        std::ostringstream warnings;
        EXPECT_TRUE(qvchat2::load_history_for_run(file, warnings).empty()) << line.name;
        EXPECT_EQ(warnings.str(), "Cannot use the input history " + (folder / line.name).string() +
                                      ": " + line.problem +
                                      ". It is left as it is, and the lines of this run are "
                                      "not saved: make it a regular file that you can read and "
                                      "write, or remove it.\n");
        EXPECT_FALSE(file.has_value()) << line.name;
    }
    EXPECT_TRUE(fs::is_fifo(folder / "fifo"));
    EXPECT_EQ(qvtest::read_file(folder / "kept.txt"), "kept\n");
}

TEST(InputHistoryFile, MissingFileIsNoProblemAndAMissingFolderFailsTheSave) {
    const qvtest::TempDir folder;
    std::optional<fs::path> file = folder / "none";
    std::ostringstream warnings;
    EXPECT_TRUE(qvchat2::load_history_for_run(file, warnings).empty());
    EXPECT_EQ(warnings.str(), "");
    EXPECT_TRUE(file.has_value());
    std::string error;
    EXPECT_FALSE(qvchat2::save_input_history(folder / "no" / "such" / "folder", {"x"}, error));
    EXPECT_THAT(error, HasSubstr("No such file"));
}

// A name that saving once used, planted as a link to someone else's file.
TEST(InputHistoryFile, SavingNeverWritesThroughALinkPlantedBesideTheFile) {
    const qvtest::TempDir folder;
    const fs::path file = folder / qvchat2::INPUT_HISTORY_FILE;
    const fs::path target = folder / "target.txt";
    qvtest::write_file(target, "precious\n");
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                                fs::perms::others_read);
    fs::create_symlink(target, folder / "input_history.txt.new");

    std::string error;
    ASSERT_TRUE(qvchat2::save_input_history(file, {"hello"}, error)) << error;
    EXPECT_EQ(qvtest::read_file(file), "hello\n");
    EXPECT_EQ(qvtest::read_file(target), "precious\n");
    EXPECT_EQ(fs::status(target).permissions(), fs::perms::owner_read | fs::perms::owner_write |
                                                    fs::perms::group_read | fs::perms::others_read);
    EXPECT_TRUE(fs::is_symlink(folder / "input_history.txt.new"));
}

}  // namespace
