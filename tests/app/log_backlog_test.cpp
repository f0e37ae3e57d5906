#include "app/log_backlog.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <ctime>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "app/backlog_stamp.h"
#include "tests/app/text_files.h"
#include "tests/support/TempDir.h"

namespace {

using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

constexpr char DATE[] = "Tue Dec  8 03:53:07 2026";

// `count` records "N" from `first` on, each a line of its own, ending in a line feed.
std::string records(int first, int count, const std::string& padding = "") {
    std::string lines;
    for (int number = first; number < first + count; ++number) {
        lines += "<" + std::string(DATE) + "> " + padding + std::to_string(number) + "\n";
    }
    return lines;
}

// The records made by records(), as "stamp|text".
std::vector<std::string> shown(int first, int count, const std::string& padding = "") {
    std::vector<std::string> lines;
    for (int number = first; number < first + count; ++number) {
        lines.push_back(std::string(DATE) + "|" + padding + std::to_string(number));
    }
    return lines;
}

TEST(LogBacklog, ReadsTheLastRecordsOldestFirst) {
    // 2000 lines this long put the file past the read bound of a few MiB.
    const std::string wide(3000, 'w');
    const std::string narrow(100, 'n');
    struct Case {
        const char* name;
        std::string contents;
        std::size_t count;
        std::vector<std::string> expected;
    };
    const std::vector<Case> cases = {
        {"fewer than asked", records(1, 3), 5, shown(1, 3)},
        {"exactly as many", records(1, 3), 3, shown(1, 3)},
        {"more than asked", records(1, 5), 2, shown(4, 2)},
        {"none asked", records(1, 5), 0, {}},
        {"at most a thousand, past the first read", records(1, 1200, narrow), 5000,
         shown(201, 1000, narrow)},
        {"last line without line feed",
         records(1, 2) + "<" + DATE + "> 3",
         2,
         {std::string(DATE) + "|2", std::string(DATE) + "|3"}},
        {"blank lines, CRLF, no date, control bytes",
         "1\r\n\r\n\n<" + std::string(DATE) + "> 2\x1b\r\n\n",
         5,
         {"|1", std::string(DATE) + "|2?"}},
        {"a file past the read bound", records(1, 2000, wide), 3, shown(1998, 3, wide)},
        {"a last line longer than the read bound",
         records(1, 1) + std::string(5 << 20, 'z'),
         1,
         {}},
        {"an empty file", "", 3, {}},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        const qvtest::TempDir folder;
        qvtest::write_file(folder / "chat_log.txt", test.contents);
        std::vector<std::string> lines;
        for (const auto& record : qvchat2::read_last_records(folder / "chat_log.txt", test.count)) {
            lines.push_back(record.stamp + "|" + record.text);
        }
        EXPECT_THAT(lines, ElementsAreArray(test.expected));
    }
}

TEST(LogBacklog, GivesNothingForFilesThatCannotBeRead) {
    const qvtest::TempDir folder;
    ASSERT_EQ(::mkfifo((folder / "fifo").c_str(), 0600), 0);
    for (const char* name : {"missing.txt", "fifo", "."}) {
        SCOPED_TRACE(name);
        EXPECT_THAT(qvchat2::read_last_records(folder / name, 20), IsEmpty());
    }
}

// A record's date is shown as the chat shows a time: the day only when it is not today.
TEST(LogBacklog, StampsAreShortWithTheDayOnlyWhenItIsNotToday) {
    std::tm today{};
    today.tm_year = 2026 - 1900;
    today.tm_mon = 11;
    today.tm_mday = 8;
    const std::pair<const char*, const char*> stamps[] = {
        {"Tue Dec  8 14:05:49 2026", "14:05"},
        {"Mon Dec  7 23:00:00 2026", "Dec 7 23:00"},
        {"Tue Nov  8 09:01:00 2026", "Nov 8 09:01"},
        {"Mon Dec  8 14:05:49 2025", "Dec 8 2025 14:05"},
        {"Tue Dec 18 14:05:49 2026", "Dec 18 14:05"},
        {"not a date", "not a date"},
    };
    for (const auto& [stamp, shown] : stamps) {
        EXPECT_EQ(qvchat2::short_log_stamp(stamp, today), shown) << stamp;
    }
}

}  // namespace
