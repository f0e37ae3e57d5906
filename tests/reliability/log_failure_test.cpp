// Log files that cannot be opened or written: the records are dropped and everything else goes
// on as usual, with no descriptor opened again and again.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <filesystem>
#include <string>

#include "network/message_types.h"
#include "tests/reliability/program_probe.h"
#include "tests/support/QvchatRun.h"

namespace {

using qvtest::ResourceCounts;

constexpr int LINES = 200;

class UnwritableLog : public ::testing::Test {
protected:
    // Logs in, has the server send chat and server lines and the user type, and leaves: all of
    // it must work as it does with a writable log.
    void expect_normal_run(const std::string& scenario) {
        std::string failure;
        ASSERT_TRUE(run.start_logged_in(failure)) << failure;
        expect_normal_session(scenario);
    }

    void expect_normal_session(const std::string& scenario) {
        const ResourceCounts before = qvtest::settled_counts(run);
        for (int line = 1; line <= LINES; ++line) {
            ASSERT_TRUE(run.server.send_text(0, "Writer: line " + std::to_string(line)));
            ASSERT_TRUE(run.server.send_text(3, "server line " + std::to_string(line)));
        }
        ASSERT_TRUE(run.terminal().wait_for_text("server line " + std::to_string(LINES)))
            << run.screen_text();
        run.enter("typed with a broken log");
        EXPECT_TRUE(run.server.wait_for_count(qvnetworklib::OUT_RAW_TEXT, 1));

        ResourceCounts after;
        EXPECT_TRUE(qvtest::counts_settle_at(run, before, after));
        const auto exit_time = qvtest::timed_exit(run);
        ASSERT_TRUE(exit_time) << run.screen_text();
        qvtest::report_figure(scenario, "exit " + std::to_string(exit_time->count()) + " ms; " +
                                            describe(before) + " -> " + describe(after));
    }

    qvtest::QvchatRun run{QVCHAT_BINARY};
};

TEST_F(UnwritableLog, LogPathsThatAreFoldersAreLeftAlone) {
    std::filesystem::create_directories(run.data_folder() / "chat_log.txt");
    std::filesystem::create_directories(run.data_folder() / "srv_log.txt");
    run.start();
    ASSERT_TRUE(run.terminal().wait_for_text("Press enter to continue...")) << run.screen_text();
    EXPECT_NE(run.screen_text().find("This run is not logged there"), std::string::npos)
        << run.screen_text();
    run.terminal().press("Enter");
    std::string failure;
    ASSERT_TRUE(run.log_in(failure)) << failure;
    expect_normal_session("log paths are folders");
    EXPECT_TRUE(std::filesystem::is_empty(run.data_folder() / "chat_log.txt"));
    EXPECT_TRUE(std::filesystem::is_empty(run.data_folder() / "srv_log.txt"));
}

TEST_F(UnwritableLog, DataFolderThatCannotBeCreated) {
    // A plain file where the documents folder should be: no folder below it can be made.
    run.write_file("documents", "not a folder");
    expect_normal_run("data folder cannot be created");
    EXPECT_EQ(qvtest::QvchatRun::read_file(run.work() / "documents"), "not a folder");
}

// Past the file size limit every write fails, and the system would end a program that does not
// ignore the signal it sends.
TEST_F(UnwritableLog, EveryWriteFailsPastTheFileSizeLimit) {
    std::string failure;
    ASSERT_TRUE(run.start_logged_in(failure)) << failure;
    const auto chat_log = run.data_folder() / "chat_log.txt";
    const auto size_before = std::filesystem::file_size(chat_log);
    const rlimit nothing_more{0, 0};
    ASSERT_EQ(::prlimit(run.program_id(), RLIMIT_FSIZE, &nothing_more, nullptr), 0);
    expect_normal_session("every write past the file size limit");
    EXPECT_EQ(std::filesystem::file_size(chat_log), size_before);
}

}  // namespace
