#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "app/config.h"
#include "tests/app/text_files.h"
#include "tests/support/CapturedStderr.h"
#include "tests/support/TempDir.h"

namespace {

class ReadServers : public ::testing::Test {
protected:
    qvchat2::ServerTable read(const std::string& contents) {
        qvtest::write_file(file(), contents);
        return qvchat2::read_servers(file().string());
    }
    std::filesystem::path file() const { return folder / "servers.lst"; }

    qvtest::TempDir folder;
};

void expect_entry(const qvchat2::ServerTable& servers, const std::string& name,
                  const std::string& config_dir, const std::string& server,
                  const std::string& port) {
    const auto found = servers.find(name);
    ASSERT_NE(found, servers.end()) << name;
    EXPECT_EQ(found->second.config_dir, config_dir);
    EXPECT_EQ(found->second.server, server);
    EXPECT_EQ(found->second.port, port);
}

TEST_F(ReadServers, FieldsAfterTheFourthAreADescription) {
    const auto servers = read("main main 127.0.0.1 2000 the main server\n");
    ASSERT_EQ(servers.size(), 1U);
    expect_entry(servers, "main", "main", "127.0.0.1", "2000");
}

TEST_F(ReadServers, TabsAndRunsOfSpacesSeparateLikeOneSpace) {
    const auto servers = read("\t test  \ttestdir\t\tlocalhost    2001\n");
    expect_entry(servers, "test", "testdir", "localhost", "2001");
}

TEST_F(ReadServers, SkipsCommentsAndEmptyLinesButNotIndentedHashes) {
    const auto servers = read("# main main host 1\n\n #hash dir host 3\nother dir host 2\n");
    EXPECT_EQ(servers.count("#"), 0U);
    EXPECT_EQ(servers.count("main"), 0U);
    expect_entry(servers, "#hash", "dir", "host", "3");
    expect_entry(servers, "other", "dir", "host", "2");
}

TEST_F(ReadServers, FirstEntryOfANameWins) {
    const auto servers = read("main first host1 1\nmain second host2 2\n");
    expect_entry(servers, "main", "first", "host1", "1");
}

TEST_F(ReadServers, CrLfLinesAndAMissingFinalLineFeed) {
    const auto servers = read("a dira hosta 1\r\nb dirb hostb 2");
    expect_entry(servers, "a", "dira", "hosta", "1");
    expect_entry(servers, "b", "dirb", "hostb", "2");
}

TEST_F(ReadServers, VeryLongLinesAreReadWhole) {
    const std::string host(100000, 'h');
    const auto servers = read("long dir " + host + " 7\n");
    expect_entry(servers, "long", "dir", host, "7");
}

TEST_F(ReadServers, ShortLinesAreSkippedWithAWarningNamingFileAndLine) {
    qvtest::CapturedStderr errors;
    const auto servers = read("good dir host 1\nshort dir host\nalso dir host 2\n  \t\nlast d h 3");
    EXPECT_EQ(servers.size(), 3U);
    EXPECT_EQ(servers.count("short"), 0U);
    const std::string warnings = errors.text();
    EXPECT_NE(warnings.find(file().string() + ":2:"), std::string::npos) << warnings;
    EXPECT_NE(warnings.find(file().string() + ":4:"), std::string::npos) << warnings;
    EXPECT_EQ(std::count(warnings.begin(), warnings.end(), '\n'), 2) << warnings;
}

TEST_F(ReadServers, TrailingBlanksDoNotMakeAFourthField) {
    qvtest::CapturedStderr errors;
    const auto servers = read("three dir host \t\n");
    EXPECT_TRUE(servers.empty());
    EXPECT_NE(errors.text().find(":1:"), std::string::npos);
}

TEST_F(ReadServers, MissingFileGivesAnEmptyTable) {
    EXPECT_TRUE(qvchat2::read_servers((folder / "absent.lst").string()).empty());
}

}  // namespace
