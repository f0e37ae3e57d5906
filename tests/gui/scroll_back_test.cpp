#include "gui/scroll_back.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gui/text_wrap.h"

namespace qvchat2gui {
namespace {

constexpr int ROWS = 16;

std::vector<std::string> numbered(int first, int last) {
    std::vector<std::string> lines;
    for (int number = first; number <= last; ++number) {
        lines.push_back("line " + std::to_string(number));
    }
    return lines;
}

void add_numbered(ScrollBack& scroll_back, int first, int last) {
    for (const auto& line : numbered(first, last)) {
        scroll_back.add(line);
    }
}

TEST(ScrollBack, FillsFromTheTopThenShowsTheNewestAtTheBottom) {
    ScrollBack scroll_back(80, ROWS);
    scroll_back.add("");
    EXPECT_EQ(scroll_back.visible_lines(), std::vector<std::string>{""});
    add_numbered(scroll_back, 1, 3);
    EXPECT_EQ(scroll_back.visible_lines().size(), 4U);
    add_numbered(scroll_back, 4, 40);
    EXPECT_EQ(scroll_back.visible_lines(), numbered(25, 40));
}

TEST(ScrollBack, KeepsAThousandDisplayLines) {
    ScrollBack scroll_back(80, ROWS);
    add_numbered(scroll_back, 1, 1200);
    ASSERT_EQ(scroll_back.lines().size(), ScrollBack::MAX_LEN);
    EXPECT_EQ(scroll_back.lines().front(), "line 201");
    EXPECT_EQ(scroll_back.visible_lines(), numbered(1185, 1200));
}

TEST(ScrollBack, PagesThroughHistoryAndStopsAtBothEnds) {
    ScrollBack scroll_back(80, ROWS);
    add_numbered(scroll_back, 1, 40);
    scroll_back.page_up();
    EXPECT_TRUE(scroll_back.is_scrolled_back());
    EXPECT_EQ(scroll_back.visible_lines(), numbered(9, 24));
    scroll_back.page_up();
    EXPECT_EQ(scroll_back.visible_lines(), numbered(1, 16));
    scroll_back.page_down();
    EXPECT_EQ(scroll_back.visible_lines(), numbered(17, 32));
    scroll_back.page_down();
    scroll_back.page_down();
    EXPECT_FALSE(scroll_back.is_scrolled_back());
    EXPECT_EQ(scroll_back.visible_lines(), numbered(25, 40));
}

TEST(ScrollBack, NewLinesDoNotMoveAScrolledView) {
    ScrollBack scroll_back(80, ROWS);
    add_numbered(scroll_back, 1, 40);
    scroll_back.page_up();
    add_numbered(scroll_back, 41, 45);
    scroll_back.add(std::string(200, 'w'));
    EXPECT_EQ(scroll_back.visible_lines(), numbered(9, 24));
    scroll_back.follow_newest();
    EXPECT_EQ(scroll_back.visible_lines().back(), std::string(46, 'w'));
}

TEST(ScrollBack, ScrolledViewStaysWhileTheOldestLinesAreDropped) {
    ScrollBack scroll_back(80, ROWS);
    add_numbered(scroll_back, 1, 1000);
    for (int page = 0; page < 100; ++page) {
        scroll_back.page_up();
    }
    EXPECT_EQ(scroll_back.visible_lines(), numbered(1, 16));
    add_numbered(scroll_back, 1001, 1010);
    EXPECT_EQ(scroll_back.visible_lines(), numbered(11, 26));
}

TEST(ScrollBack, ResizeRewrapsForTheNewWidth) {
    ScrollBack scroll_back(80, ROWS);
    const std::string long_line(150, 'x');
    scroll_back.add(long_line);
    EXPECT_EQ(scroll_back.lines().size(), 2U);
    scroll_back.resize(40, 4);
    EXPECT_EQ(
        scroll_back.lines(),
        (std::vector<std::string>{std::string(37, 'x'), std::string(37, 'x'), std::string(37, 'x'),
                                  std::string(37, 'x'), std::string(2, 'x')}));
    EXPECT_EQ(scroll_back.visible_lines().size(), 4U);
    scroll_back.resize(200, 10);
    EXPECT_EQ(scroll_back.lines(), std::vector<std::string>{long_line});
}

// The scroll-back keeps track of its blank lines instead of looking for them on every add; what
// it holds must stay exactly what word_wrap into one list, trimmed to MAX_LEN, gives.
TEST(ScrollBack, HoldsWhatWordWrapIntoOneListGives) {
    const int columns = 40;
    ScrollBack scroll_back(columns, ROWS);
    std::vector<std::string> expected;
    const std::vector<std::string> texts{"",
                                         std::string(1, '\x11'),
                                         "short",
                                         std::string(1, '\x07') + std::string(90, 'y'),
                                         "two words " + std::string(60, 'z'),
                                         std::string(3, '\x14'),
                                         "line\nbreak",
                                         std::string(37, 'w') + "\n\n"};
    for (int round = 0; round < 1500; ++round) {
        const std::string& text =
            texts[static_cast<std::size_t>(round * 7 + round / 5) % texts.size()];
        scroll_back.add(text);
        word_wrap(text, expected, wrap_width(columns));
        if (expected.size() > ScrollBack::MAX_LEN) {
            expected.erase(expected.begin(),
                           expected.end() - static_cast<std::ptrdiff_t>(ScrollBack::MAX_LEN));
        }
        ASSERT_EQ(scroll_back.lines(), expected) << "after text " << round;
    }
}

}  // namespace
}  // namespace qvchat2gui
