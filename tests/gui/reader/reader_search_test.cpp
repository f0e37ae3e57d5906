#include "gui/reader/reader_search.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <optional>
#include <string>

#include "gui/model/chat_grep.h"
#include "tests/support/wait_until.h"

namespace {

using qvchat2gui::ChatGrep;
using qvchat2gui::FoundLines;
using qvchat2gui::PatternKind;
using qvchat2gui::SearchedLines;
using qvchat2gui::TextMatcher;

// #grep in the reader finds the lines the scrollback setting keeps, as it is changed by #set.
TEST(SearchedLines, KeepWhatTheScrollbackSettingKeeps) {
    SearchedLines lines(0);
    for (int number = 0; number < 150; ++number) {
        lines.add("walk " + std::to_string(number));
    }
    lines.keep(100);
    ChatGrep grep(TextMatcher("walk", PatternKind::plain), "walk", lines.locked(), nullptr);
    std::optional<FoundLines> found;
    ASSERT_TRUE(qvtest::wait_until([&] { return (found = grep.take_found()).has_value(); }));
    ASSERT_EQ(found->lines.size(), 100U);
    EXPECT_EQ(found->lines.front(), "walk 50");
    EXPECT_EQ(found->summary, "100 lines match 'walk'.");
    EXPECT_EQ(found->note, " 100 lines match 'walk': Esc returns ");
}

}  // namespace
