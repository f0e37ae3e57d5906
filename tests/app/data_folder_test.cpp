#include "app/data_folder.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include <filesystem>

#include "app/config.h"
#include "tests/app/text_files.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"

namespace {

namespace fs = std::filesystem;
using qvtest::ScopedEnv;

// Points the documents lookup at a temporary home folder with no XDG settings of its own.
class DocumentsFolder : public ::testing::Test {
protected:
    fs::path config_home() const { return home / ".config"; }
    void write_user_dirs(const std::string& contents) const {
        fs::create_directories(config_home());
        qvtest::write_file(config_home() / "user-dirs.dirs", contents);
    }

    qvtest::TempDir home;
    ScopedEnv home_variable{"HOME", home.path().string()};
    ScopedEnv no_documents_variable{"XDG_DOCUMENTS_DIR"};
    ScopedEnv no_config_home{"XDG_CONFIG_HOME"};
};

TEST_F(DocumentsFolder, EnvironmentVariableComesFirst) {
    write_user_dirs("XDG_DOCUMENTS_DIR=\"/from/file\"\n");
    const ScopedEnv documents("XDG_DOCUMENTS_DIR", "/from/environment");
    EXPECT_EQ(qvchat2::documents_folder(), fs::path("/from/environment"));
}

TEST_F(DocumentsFolder, RelativeEnvironmentVariableIsIgnored) {
    const ScopedEnv documents("XDG_DOCUMENTS_DIR", "relative/docs");
    EXPECT_EQ(qvchat2::documents_folder(), home.path() / "Documents");
}

TEST_F(DocumentsFolder, UserDirsEntryExpandsHome) {
    write_user_dirs(
        "# written by xdg-user-dirs-update\n"
        "XDG_DESKTOP_DIR=\"$HOME/Desktop\"\r\n"
        "XDG_DOCUMENTS_DIR=\"$HOME/My \\\"Docs\\\"\"\r\n");
    EXPECT_EQ(qvchat2::documents_folder(), home.path() / "My \"Docs\"");
}

TEST_F(DocumentsFolder, UserDirsLastUsableAssignmentCounts) {
    write_user_dirs(
        "XDG_DOCUMENTS_DIR=\"/first\"\n"
        "XDG_DOCUMENTS_DIR=\"/second\"\n"
        "XDG_DOCUMENTS_DIR=\"relative\"\n"
        "XDG_DOCUMENTS_DIR=\"$HOMEWORK/x\"\n");
    EXPECT_EQ(qvchat2::documents_folder(), fs::path("/second"));
}

TEST_F(DocumentsFolder, UserDirsIsReadFromTheConfigHomeVariable) {
    const qvtest::TempDir other_config;
    qvtest::write_file(other_config / "user-dirs.dirs", "XDG_DOCUMENTS_DIR=\"$HOME/Papers\"\n");
    write_user_dirs("XDG_DOCUMENTS_DIR=\"$HOME/Wrong\"\n");
    const ScopedEnv config_variable("XDG_CONFIG_HOME", other_config.path().string());
    EXPECT_EQ(qvchat2::documents_folder(), home.path() / "Papers");
}

TEST_F(DocumentsFolder, FallsBackToDocumentsInTheHomeFolder) {
    EXPECT_EQ(qvchat2::documents_folder(), home.path() / "Documents");
}

TEST_F(DocumentsFolder, WithoutHomeUsesThePasswordDatabase) {
    const passwd* entry = getpwuid(getuid());  // NOLINT(concurrency-mt-unsafe): one thread
    if (entry == nullptr || entry->pw_dir == nullptr || entry->pw_dir[0] != '/') {
        GTEST_SKIP() << "this user has no home folder in the password database";
    }
    const ScopedEnv no_home("HOME");
    const ScopedEnv empty_config("XDG_CONFIG_HOME", home.path().string());
    EXPECT_EQ(qvchat2::documents_folder(), fs::path(entry->pw_dir) / "Documents");
}

class ConfigFile : public ::testing::Test {
protected:
    qvtest::TempDir documents;
    ScopedEnv documents_variable{"XDG_DOCUMENTS_DIR", documents.path().string()};
};

fs::perms permissions(const fs::path& path) {
    return fs::status(path).permissions();
}

TEST_F(ConfigFile, CreatesTheWholeFolderChainPrivately) {
    const auto file = qvchat2::get_config_file("main", "chat_log.txt");
    ASSERT_TRUE(file.has_value());
    EXPECT_EQ(*file, documents.path() / "Quorvan" / "main" / "chat_log.txt");
    ASSERT_TRUE(fs::is_directory(documents / "Quorvan" / "main"));
    EXPECT_EQ(permissions(documents / "Quorvan"), fs::perms::owner_all);
    EXPECT_EQ(permissions(documents / "Quorvan" / "main"), fs::perms::owner_all);
    EXPECT_FALSE(fs::exists(*file));
}

TEST_F(ConfigFile, CreatesAMissingDocumentsFolder) {
    const ScopedEnv nested("XDG_DOCUMENTS_DIR", (documents / "Docs").string());
    ASSERT_TRUE(qvchat2::get_config_file("main", "chat_log.txt").has_value());
    EXPECT_TRUE(fs::is_directory(documents / "Docs" / "Quorvan" / "main"));
}

TEST_F(ConfigFile, ExistingFoldersKeepTheirModes) {
    const auto quorvan = documents / "Quorvan";
    fs::create_directory(quorvan);
    const auto open_mode = fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                           fs::perms::others_read | fs::perms::others_exec;
    fs::permissions(quorvan, open_mode);
    ASSERT_TRUE(qvchat2::get_config_file("main", "chat_log.txt").has_value());
    EXPECT_EQ(permissions(quorvan), open_mode);
}

TEST_F(ConfigFile, NestedServerFolderIsCreatedLevelByLevel) {
    const auto file = qvchat2::get_config_file("servers/main", "srv_log.txt");
    ASSERT_TRUE(file.has_value());
    EXPECT_EQ(*file, documents.path() / "Quorvan" / "servers" / "main" / "srv_log.txt");
    EXPECT_TRUE(fs::is_directory(documents / "Quorvan" / "servers" / "main"));
}

TEST_F(ConfigFile, ServerFolderMayNotLeaveTheDataFolder) {
    EXPECT_FALSE(qvchat2::get_config_file("../escape", "chat_log.txt").has_value());
    EXPECT_FALSE(qvchat2::get_config_file("a/../../escape", "chat_log.txt").has_value());
    EXPECT_FALSE(
        qvchat2::get_config_file((documents / "absolute").string(), "chat_log.txt").has_value());
    EXPECT_FALSE(fs::exists(documents / "escape"));
    EXPECT_FALSE(fs::exists(documents / "absolute"));
}

TEST_F(ConfigFile, LongPathsAreNotCut) {
    const std::string folder = std::string(200, 'a') + "/" + std::string(200, 'b');
    const auto file = qvchat2::get_config_file(folder, "chat_log.txt");
    ASSERT_TRUE(file.has_value());
    EXPECT_EQ(*file, documents.path() / "Quorvan" / folder / "chat_log.txt");
    EXPECT_TRUE(fs::is_directory(file->parent_path()));
}

}  // namespace
