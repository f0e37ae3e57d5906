#include "gui/top_bar.h"

#include <gtest/gtest.h>

#include "gui/window_layout.h"

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

TEST(WindowLayout, TinyScreensStillGetWindows) {
    const WindowLayout layout(4, 0);
    EXPECT_EQ(layout.main_height, 1);
    EXPECT_EQ(layout.columns, 1);
    EXPECT_EQ(layout.input_top, 4);
}

}  // namespace
}  // namespace qvchat2gui
