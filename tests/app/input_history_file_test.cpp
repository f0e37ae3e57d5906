#include "app/input_history_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/app/text_files.h"
#include "tests/support/TempDir.h"

namespace {

namespace fs = std::filesystem;

TEST(InputHistoryFile, KeepsTheNewestEntriesPrivateAndReadsThemBack) {
    const qvtest::TempDir folder;
    const fs::path file = folder / qvchat2::INPUT_HISTORY_FILE;
    std::vector<std::string> entries;
    for (std::size_t index = 0; index < qvchat2::SAVED_HISTORY_ENTRIES + 5; ++index) {
        entries.push_back("line " + std::to_string(index));
    }
    entries.push_back("");
    entries.push_back("Zo\xEB says h\xE9llo");
    // A file left readable by others from before is replaced by a private one.
    qvtest::write_file(file, "old\n");
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_read);

    std::string error;
    ASSERT_TRUE(qvchat2::save_input_history(file, entries, error)) << error;
    EXPECT_EQ(fs::status(file).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_FALSE(fs::exists(folder / "input_history.txt.new"));

    const std::vector<std::string> loaded = qvchat2::load_input_history(file);
    ASSERT_EQ(loaded.size(), qvchat2::SAVED_HISTORY_ENTRIES);
    EXPECT_EQ(loaded.front(), "line 7");
    EXPECT_EQ(loaded[loaded.size() - 2], "");
    EXPECT_EQ(loaded.back(), "Zo\xEB says h\xE9llo");
}

TEST(InputHistoryFile, MissingOrUnwritablePlacesFailWithoutThrowing) {
    const qvtest::TempDir folder;
    EXPECT_TRUE(qvchat2::load_input_history(folder / "none").empty());
    EXPECT_TRUE(qvchat2::load_input_history(folder.path()).empty());
    std::string error;
    EXPECT_FALSE(qvchat2::save_input_history(folder / "no" / "such" / "folder", {"x"}, error));
    EXPECT_FALSE(error.empty());
}

}  // namespace
