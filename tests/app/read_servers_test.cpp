#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>

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

TEST_F(ReadServers, ByteOrderMarkBeforeTheFirstLineIsSkipped) {
    const auto servers = read(
        "\xEF\xBB\xBF"
        "a dira hosta 1\nb dirb hostb 2\n");
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

TEST_F(ReadServers, PortsAreDecimalNumbersFrom1To65535OrServiceNames) {
    const std::pair<const char*, const char*> kept[] = {
        {"1", "1"},     {"80", "80"},         {"65535", "65535"}, {"080", "80"},
        {"00001", "1"}, {"gopher", "gopher"}, {"http", "http"},   {"http-alt", "http-alt"},
        {"x11", "x11"}};
    for (const auto& [written, port] : kept) {
        qvtest::CapturedStderr errors;
        expect_entry(read(std::string("main dir host ") + written), "main", "dir", "host", port);
        EXPECT_EQ(errors.text(), "") << written;
    }
    // The last one is 80 in full-width digits.
    const char* skipped[] = {"0",
                             "000",
                             "65536",
                             "70000",
                             "-1",
                             "+80",
                             "8O",
                             "80\v",
                             "0x50",
                             "-http",
                             "http_",
                             "h\xe9",
                             "1e3",
                             "99999999999999999999",
                             "\xef\xbc\x98\xef\xbc\x90"};
    for (const char* written : skipped) {
        qvtest::CapturedStderr errors;
        const auto servers = read(std::string("first dir host 2\nmain dir host ") + written);
        EXPECT_EQ(servers.count("main"), 0U) << written;
        EXPECT_EQ(servers.count("first"), 1U) << written;
        EXPECT_EQ(errors.text(), file().string() + ":2: skipped: the port \"" + written +
                                     "\" is neither a number from 1 to 65535 nor a service name\n");
    }
}

TEST_F(ReadServers, FoldersLeavingTheDataFolderAreKeptWithAWarning) {
    qvtest::CapturedStderr errors;
    const auto servers =
        read("in sub/dir h 1\nabs /var/log h 2\nup a/../../b h 3\nin ../other h 4\nok ..x h 5\n");
    expect_entry(servers, "abs", "/var/log", "h", "2");
    expect_entry(servers, "up", "a/../../b", "h", "3");
    expect_entry(servers, "ok", "..x", "h", "5");
    const auto warning = [&](int line, const std::string& folder) {
        return file().string() + ":" + std::to_string(line) +
               ": no logs for this server: the folder \"" + folder +
               "\" must be a relative path without \"..\"\n";
    };
    // Line 4 repeats a name and is ignored, so it earns no warning.
    EXPECT_EQ(errors.text(), warning(2, "/var/log") + warning(3, "a/../../b"));
}

TEST_F(ReadServers, MissingFileGivesAnEmptyTable) {
    EXPECT_TRUE(qvchat2::read_servers((folder / "absent.lst").string()).empty());
}

}  // namespace
