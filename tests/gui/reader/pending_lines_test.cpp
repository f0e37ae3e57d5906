#include "gui/reader/pending_lines.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <deque>
#include <string>
#include <vector>

namespace {

using qvchat2gui::PendingLines;

struct BoundCase {
    const char* name;
    std::size_t limit;
    std::vector<std::string> pushed;
    std::deque<std::string> kept;
    std::size_t left_out;
};

TEST(PendingLines, TheOldestGoPastTheLimitAndAreCounted) {
    const std::vector<BoundCase> cases = {
        {"within the limit", 10, {"abc", "def", "ghij"}, {"abc", "def", "ghij"}, 0},
        {"one byte over", 9, {"abc", "def", "ghij"}, {"def", "ghij"}, 1},
        {"several go at once", 6, {"a", "b", "c", "dddddd"}, {"dddddd"}, 3},
        {"the newest stays however long",
         4,
         {"ab", "longer than the limit"},
         {"longer than the limit"},
         1},
        {"empty lines cost nothing", 2, {"", "", "ab", ""}, {"", "", "ab", ""}, 0},
    };
    for (const BoundCase& test : cases) {
        SCOPED_TRACE(test.name);
        PendingLines pending(test.limit);
        for (const std::string& line : test.pushed) {
            pending.push(line);
        }
        EXPECT_FALSE(pending.empty());
        std::size_t left_out = 99;
        EXPECT_EQ(pending.take(left_out), test.kept);
        EXPECT_EQ(left_out, test.left_out);
        EXPECT_TRUE(pending.empty());
    }
}

// A take starts the count and the room afresh.
TEST(PendingLines, ATakeFreesTheRoomAndEndsTheCount) {
    PendingLines pending(4);
    pending.push("abc");
    pending.push("def");
    std::size_t left_out = 0;
    EXPECT_EQ(pending.take(left_out), std::deque<std::string>{"def"});
    EXPECT_EQ(left_out, 1U);
    pending.push("ab");
    pending.push("cd");
    EXPECT_EQ(pending.take(left_out), (std::deque<std::string>{"ab", "cd"}));
    EXPECT_EQ(left_out, 0U);
}

}  // namespace
