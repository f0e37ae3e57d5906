#include "app/log_search.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tests/app/text_files.h"
#include "tests/support/TempDir.h"

namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

constexpr char DATE[] = "Tue Dec  8 03:53:07 2026";

std::string record(const std::string& date, const std::string& text) {
    return "<" + date + "> " + text + "\n";
}

// Each match as "stamp|text".
std::vector<std::string> shown(const qvchat2::LogSearchResult& result) {
    std::vector<std::string> lines;
    for (const auto& match : result.matches) {
        lines.push_back(match.stamp + "|" + match.text);
    }
    return lines;
}

// A search of `files` for `needle`, waited for through its change callback: the wait ends only
// once a call came after the search had finished.
class Search {
public:
    Search(std::vector<fs::path> files, const std::string& needle, std::size_t keep = 500)
        : search(
              std::move(files),
              [needle](std::string_view text) { return text.find(needle) != std::string::npos; },
              [this] { note_change(); }, keep) {}

    qvchat2::LogSearchResult finish() {
        std::unique_lock<std::mutex> lock(calls_lock);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        int seen = 0;
        while (calls_changed.wait_until(lock, deadline, [&] { return calls > seen; })) {
            seen = calls;
            if (search.progress().finished) {
                return search.result().value();
            }
        }
        ADD_FAILURE() << "no change reported after the search finished";
        return {};
    }

private:
    void note_change() {
        const std::lock_guard<std::mutex> lock(calls_lock);
        ++calls;
        calls_changed.notify_all();
    }

    std::mutex calls_lock;
    std::condition_variable calls_changed;
    int calls = 0;

public:
    qvchat2::LogSearch search;  // last: its thread uses the members above
};

struct OneFileCase {
    const char* name;
    std::string contents;
    std::size_t keep;
    std::vector<std::string> expected;
    std::uint64_t total;
};

TEST(LogSearch, FindsTheNewestMatchesOfOneFileSafeToShow) {
    const std::string date(DATE);
    const std::string long_text = "hit " + std::string(10000, 'x');
    // Its end, past the first block, is no line of its own.
    const std::string over_block = "hit " + std::string(std::size_t{5} << 20, 'y') + " hit";
    const std::vector<OneFileCase> cases = {
        {"more matches than kept",
         record(date, "hit 1") + record(date, "miss") + record(date, "hit 2") +
             record(date, "hit 3") + record(date, "hit 4"),
         2,
         {date + "|hit 3", date + "|hit 4"},
         4},
        {"last line without line feed, CRLF, blank lines",
         record(date, "hit crlf\r") + "\n\r\n" + "<" + date + "> hit unfinished",
         500,
         {date + "|hit crlf", date + "|hit unfinished"},
         2},
        {"lines without a date that can be read",
         "hit bare\n<Bob> hit\n<Tue Dec 32 03:53:07 2026> hit\n<" + date + ">hit",
         500,
         {"|hit bare", "|<Bob> hit", "|<Tue Dec 32 03:53:07 2026> hit", date + "|hit"},
         4},
        {"control and C1 bytes",
         record(date, std::string("hit \x1b[31m\0\x7f\x9b\xe9", 13)),
         500,
         {date + "|hit ?[31m???\xe9"},
         1},
        {"long lines cut, a line longer than a block read through",
         record(date, long_text) + record(date, over_block) + record(date, "hit after"),
         500,
         {date + "|" + long_text.substr(0, 4096) + "...",
          date + "|" + over_block.substr(0, 4096) + "...", date + "|hit after"},
         3},
        {"binary junk", std::string("\0\xff\n\0hit\0\n", 9), 500, {"|?hit?"}, 1},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        const qvtest::TempDir folder;
        qvtest::write_file(folder / "chat_log.txt", test.contents);
        Search search({folder / "chat_log.txt"}, "hit", test.keep);
        const auto result = search.finish();
        EXPECT_THAT(shown(result), ElementsAreArray(test.expected));
        EXPECT_EQ(result.total_matches, test.total);
        EXPECT_THAT(result.failures, IsEmpty());
        EXPECT_FALSE(result.cancelled);
        const auto progress = search.search.progress();
        EXPECT_EQ(progress.bytes_done, test.contents.size());
        EXPECT_EQ(progress.bytes_total, test.contents.size());
    }
}

TEST(LogSearch, MergesTheFilesInTimeOrderAndKeepsTheNewest) {
    const qvtest::TempDir folder;
    // Across a year's end, which the dates' text alone would sort wrongly; the undated line keeps
    // the time of the record before it in its own file, matched or not.
    qvtest::write_file(folder / "chat_log.txt", record("Wed Dec 31 23:59:58 2025", "hit c1") +
                                                    record("Wed Dec 31 23:59:59 2025", "miss") +
                                                    "hit c2 undated\n" +
                                                    record("Thu Jan  1 00:00:02 2026", "hit c3"));
    qvtest::write_file(folder / "srv_log.txt", record("Wed Dec 31 23:59:58 2025", "hit s1") +
                                                   record("Thu Jan  1 00:00:01 2026", "hit s2") +
                                                   record("Thu Jan  1 00:00:02 2026", "hit s3"));
    const std::vector<fs::path> files = {folder / "chat_log.txt", folder / "srv_log.txt"};

    auto texts = [](const qvchat2::LogSearchResult& result) {
        std::vector<std::string> lines;
        for (const auto& match : result.matches) {
            lines.push_back(match.text);
        }
        return lines;
    };
    Search all(files, "hit");
    const auto merged = all.finish();
    EXPECT_THAT(texts(merged),
                ElementsAre("hit c1", "hit s1", "hit c2 undated", "hit s2", "hit c3", "hit s3"));
    EXPECT_EQ(merged.total_matches, 6U);

    Search newest(files, "hit", 3);
    const auto kept = newest.finish();
    EXPECT_THAT(texts(kept), ElementsAre("hit s2", "hit c3", "hit s3"));
    EXPECT_EQ(kept.total_matches, 6U);
}

TEST(LogSearch, NamesTheFilesThatExistButCannotBeRead) {
    const qvtest::TempDir folder;
    qvtest::write_file(folder / "chat_log.txt", record(DATE, "hit"));
    ASSERT_EQ(::mkfifo((folder / "fifo").c_str(), 0600), 0);
    fs::create_directory(folder / "folder");

    struct Case {
        const char* name;
        std::string second;
        std::vector<std::string> named;
    };
    const std::vector<Case> cases = {
        {"a missing server log is passed over", "srv_log.txt", {}},
        {"a FIFO does not hang the search", "fifo", {"fifo: it is not a regular file"}},
        {"a folder", "folder", {"folder: it is a folder"}},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        Search search({folder / "chat_log.txt", folder / test.second}, "hit");
        const auto result = search.finish();
        EXPECT_THAT(shown(result), ElementsAre(std::string(DATE) + "|hit"));
        std::vector<std::string> named;
        for (const auto& failure : result.failures) {
            named.push_back(failure.file.filename().string() + ": " + failure.reason);
        }
        EXPECT_THAT(named, ElementsAreArray(test.named));
    }

    Search nothing({folder / "chat_log.txt.old"}, "hit");
    const auto result = nothing.finish();
    ASSERT_EQ(result.failures.size(), 1U) << "with no file at all, the missing one is named";
    EXPECT_THAT(result.failures[0].reason, HasSubstr("No such file"));
}

// Cancelled, or the file cut short (a log emptied by hand), in the middle of a large file: the
// search finishes with what it had read.
TEST(LogSearch, StoppedInTheMiddleOfALargeFileFinishesWithWhatItHad) {
    struct Case {
        const char* name;
        std::function<void(qvchat2::LogSearch&, const fs::path&)> interrupt;
        bool cancelled;
    };
    const std::vector<Case> cases = {
        {"cancelled", [](qvchat2::LogSearch& search, const fs::path&) { search.cancel(); }, true},
        {"file cut short",
         [](qvchat2::LogSearch&, const fs::path& file) { fs::resize_file(file, 1 << 20); }, false},
    };
    std::string contents;
    while (contents.size() < (std::size_t{12} << 20)) {
        contents += record(DATE, "[Bob]: hit and some more words of a line in the chat");
    }
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        const qvtest::TempDir folder;
        qvtest::write_file(folder / "chat_log.txt", contents);

        // The first match holds the search until the interruption, so the search is surely in
        // the middle of the file's first block when it comes.
        std::mutex gate_lock;
        std::condition_variable gate_changed;
        bool started = false;
        bool released = false;
        auto matches = [&](std::string_view text) {
            std::unique_lock<std::mutex> lock(gate_lock);
            started = true;
            gate_changed.notify_all();
            gate_changed.wait_for(lock, std::chrono::seconds(30), [&] { return released; });
            return text.find("hit") != std::string_view::npos;
        };
        qvchat2::LogSearch search({folder / "chat_log.txt"}, matches, {});
        {
            std::unique_lock<std::mutex> lock(gate_lock);
            ASSERT_TRUE(
                gate_changed.wait_for(lock, std::chrono::seconds(30), [&] { return started; }));
            test.interrupt(search, folder / "chat_log.txt");
            released = true;
            gate_changed.notify_all();
        }
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!search.progress().finished && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::yield();
        }
        const auto result = search.result();
        ASSERT_TRUE(result.has_value());
        EXPECT_EQ(result->cancelled, test.cancelled);
        EXPECT_THAT(result->failures, IsEmpty());
        EXPECT_GT(result->total_matches, 0U);
        const auto progress = search.progress();
        EXPECT_LT(progress.bytes_done, contents.size());
        if (test.cancelled) {
            // Seen at the next line, not at the next block: a costly pattern takes seconds a block.
            EXPECT_EQ(result->total_matches, 1U);
        } else {
            EXPECT_EQ(progress.bytes_done, progress.bytes_total) << "what was not there is not due";
        }
    }
}

}  // namespace
