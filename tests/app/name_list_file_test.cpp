#include "app/name_list_file.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/app/text_files.h"
#include "tests/support/TempDir.h"

namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;

TEST(NameListFile, SavesPrivatelyInUtf8AndReadsBackWithoutBlankLines) {
    const qvtest::TempDir folder;
    const fs::path file = folder / "ignore.txt";
    std::vector<std::string> lines;
    for (std::size_t index = 0; index < qvchat2::MAX_NAME_LIST_ENTRIES + 1; ++index) {
        lines.push_back("name" + std::to_string(index));
    }
    lines.push_back("Marek");
    lines.push_back("Zo\xEB\t1800000000");
    std::string error;
    ASSERT_TRUE(qvchat2::save_name_list(file, lines, error)) << error;
    EXPECT_EQ(fs::status(file).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(qvtest::read_file_lines(file).back(), "Zo\xC3\xAB\t1800000000");

    const qvchat2::NameListRead read = qvchat2::load_name_list(file);
    EXPECT_EQ(read.problem, "");
    lines.erase(lines.begin(), lines.begin() + 3);
    EXPECT_EQ(read.lines, lines);

    qvtest::write_file(file, "Ann\n\nBob\r\n\r\nDee\r\r\nCy");
    EXPECT_THAT(qvchat2::load_name_list(file).lines, ElementsAre("Ann", "Bob", "Dee", "Cy"));

    const qvchat2::NameListRead missing = qvchat2::load_name_list(folder / "mute.txt");
    EXPECT_EQ(missing.problem, "");
    EXPECT_TRUE(missing.lines.empty());
}

// A file that cannot be used is named in the problem, left as it is, and never waited on.
TEST(NameListFile, ALinkAPipeOrAFolderIsNotReadAndIsNamed) {
    const qvtest::TempDir folder;
    qvtest::write_file(folder / "target", "Marek\n");
    fs::create_symlink(folder / "target", folder / "link.txt");
    ASSERT_EQ(::mkfifo((folder / "pipe.txt").c_str(), 0600), 0);
    fs::create_directory(folder / "folder.txt");
    const struct {
        const char* name;
        const char* reason;
    } cases[] = {
        {"link.txt", "symbolic link"},
        {"pipe.txt", "not a regular file"},
        {"folder.txt", "not a regular file"},
    };
    for (const auto& bad : cases) {
        const fs::path file = folder / bad.name;
        const qvchat2::NameListRead read = qvchat2::load_name_list(file);
        EXPECT_TRUE(read.lines.empty()) << bad.name;
        EXPECT_THAT(read.problem, ::testing::HasSubstr(file.string())) << bad.name;
        EXPECT_THAT(read.problem, ::testing::HasSubstr(bad.reason)) << bad.name;
    }
    EXPECT_EQ(qvtest::read_file(folder / "target"), "Marek\n");
}

}  // namespace
