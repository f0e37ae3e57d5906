#include "gui/model/top_bar.h"

#include <gtest/gtest.h>

#include "gui/model/window_layout.h"

namespace qvchat2gui {
namespace {

TEST(Clock, HoursAreSpacePaddedAndMinutesZeroPadded) {
    EXPECT_EQ(format_clock(0), " 0:00");
    EXPECT_EQ(format_clock(65), " 1:05");
    EXPECT_EQ(format_clock(754), "12:34");
    EXPECT_EQ(format_clock(1439), "23:59");
    EXPECT_EQ(format_clock(1440), "24:00");
    EXPECT_EQ(format_clock(65535), "1092:15");
}

TEST(ChannelBar, NumbersAndGuildsEachFollowedByASeparator) {
    EXPECT_EQ(channel_bar_text({}), "");
    EXPECT_EQ(channel_bar_text({1, 3, 1000001}), "1 | 3 | Guild | ");
    EXPECT_EQ(channel_bar_text({2, 1000000}), "2 | 1000000 | ");
    EXPECT_EQ(channel_bar_text({1, 7, 1000001}, 7U), "1 | [7] | Guild | ");
    EXPECT_EQ(channel_bar_text({1, 1000001}, 1000001U), "1 | [Guild] | ");
    EXPECT_EQ(channel_bar_text({1, 3}, 9U), "1 | 3 | ") << "an active channel left is not marked";
    EXPECT_EQ(channel_bar_text({1, 3, 1000001}, 3U, {3, 1000001, 8}), "1 | [3~] | Guild~ | ");
}

TEST(TopBarStatus, SaysTheStateOfTheConnectionAndAway) {
    using State = ConnectionState;
    const struct {
        TopBarStatus status;
        std::wstring expected;
    } cases[] = {
        {{State::unknown, "test", false}, L""},
        {{State::unknown, "test", true}, L"away"},
        {{State::connecting, "test", false}, L"connecting..."},
        {{State::connected, "test", false}, L"test"},
        {{State::connected, "t\x1b[31m", true}, L"t?[31m, away"},
        {{State::offline, "test", true}, L"offline, away"},
    };
    for (const auto& line : cases) {
        EXPECT_EQ(status_text(line.status, L"..."), line.expected);
    }
}

// Columns of a laid-out row, as the painter puts them into a box of `width` columns: "." for
// blank columns inside the box.
std::wstring painted(const TopBarRow& row, int width) {
    std::wstring inside(static_cast<std::size_t>(width - 2), L'.');
    const auto put = [&inside](int column, const std::wstring& text) {
        inside.replace(static_cast<std::size_t>(column - 1), text.size(), text);
    };
    put(1, row.channels);
    if (!row.status.empty()) {
        put(row.status_column, row.status);
    }
    if (!row.clock.empty()) {
        put(row.clock_column, std::wstring(row.clock.begin(), row.clock.end()));
    }
    return inside;
}

TEST(TopBarRow, TheClockComesFirstThenTheStatusThenTheChannelsCutWithAnEllipsis) {
    const std::string channels = "1 | [7] | Guild | ";
    const struct {
        int width;
        std::wstring status;
        std::string clock;
        std::wstring expected;
    } cases[] = {
        {40, L"test", "12:34", L"1 | [7] | Guild | ..........test.12:34"},
        {30, L"connecting~", "12:34", L"1 | [7] |~.connecting~.12:34"},
        {30, L"test", "12:34", L"1 | [7] | Guild~..test.12:34"},  // no blank before the cut
        {20, L"connecting~", "12:34", L".connecting~.12:34"},
        {20, L"offline, away", "12:34", L"offline, aw~.12:34"},
        {20, L"", "1092:15", L"1 | [7] |~.1092:15"},
        {20, L"test", "", L"1 | [7] | Gu~.test"},
        {6, L"test", "12:34", L"test"},  // no room for the clock
        {5, L"test", "12:34", L"te~"},
    };
    for (const auto& line : cases) {
        const TopBarRow row = lay_out_top_bar(line.width, channels, line.status, line.clock, L"~");
        EXPECT_EQ(painted(row, line.width), line.expected) << line.width;
    }
}

TEST(WindowLayout, ThreeStackedWindowsCoverTheScreen) {
    const WindowLayout layout(24, 80);
    EXPECT_EQ(layout.aux_height, 3);
    EXPECT_EQ(layout.main_top, 3);
    EXPECT_EQ(layout.main_height, 18);
    EXPECT_EQ(layout.chat_rows(), 16);
    EXPECT_EQ(layout.input_top, 21);
    EXPECT_EQ(layout.input_height, 3);
    EXPECT_EQ(layout.inner_width(), 78);
}

// The pane takes the rows asked for, at most a third of the screen, and the input box up to five
// text rows; on a small terminal the pane shrinks first, then the input box, so that the chat
// keeps its usable rows.
TEST(WindowLayout, NeitherThePaneNorTheInputBoxLeavesTheChatTooFewRows) {
    const struct {
        int lines;
        int wanted;
        int pane;
        int input_rows_wanted;
        int input_rows;
    } cases[] = {
        {30, 4, 4, 1, 1}, {30, 20, 10, 1, 1}, {30, 0, 0, 1, 1},  {20, 6, 6, 1, 1}, {16, 6, 3, 1, 1},
        {13, 4, 0, 1, 1}, {4, 4, 0, 1, 1},    {30, 0, 0, 3, 3},  {30, 0, 0, 9, 5}, {30, 4, 4, 5, 5},
        {16, 6, 0, 5, 4}, {13, 0, 0, 3, 1},   {30, 0, 0, -2, 1},
    };
    for (const auto& screen : cases) {
        const WindowLayout layout(screen.lines, 80, screen.wanted, screen.input_rows_wanted);
        EXPECT_EQ(layout.pane_height, screen.pane) << screen.lines << " lines, " << screen.wanted;
        EXPECT_EQ(layout.input_rows(), screen.input_rows)
            << screen.lines << " lines, " << screen.input_rows_wanted;
        EXPECT_EQ(layout.pane_top, 3);
        EXPECT_EQ(layout.main_top, 3 + layout.pane_height);
        EXPECT_EQ(layout.input_top, layout.main_top + layout.main_height);
        if (screen.lines >= 13) {
            EXPECT_GE(layout.chat_rows(), WindowLayout::MIN_CHAT_ROWS);
            EXPECT_EQ(layout.input_top + layout.input_height, screen.lines);
        }
    }
}

TEST(WindowLayout, TinyScreensStillGetWindows) {
    const WindowLayout layout(4, 0);
    EXPECT_EQ(layout.main_height, 1);
    EXPECT_EQ(layout.columns, 1);
    EXPECT_EQ(layout.input_top, 4);
}

}  // namespace
}  // namespace qvchat2gui
