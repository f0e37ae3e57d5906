#include "gui/model/text_wrap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "gui/model/chat_text.h"

namespace qvchat2gui {
namespace {

constexpr int WIDTH_AT_80_COLUMNS = 77;

std::string pm() {
    return std::string(1, static_cast<char>(PM_COLOR));
}

std::vector<std::string> wrapped(const std::string& text, int width = WIDTH_AT_80_COLUMNS) {
    std::vector<std::string> lines;
    word_wrap(text, lines, width);
    return lines;
}

// Words of five letters separated by single spaces, `visible` bytes in all.
std::string words(std::size_t visible) {
    std::string text;
    while (text.size() < visible) {
        text += text.size() % 6 == 5 ? ' ' : static_cast<char>('a' + text.size() % 6);
    }
    return text;
}

TEST(DisplaySize, CountsOnlyBytesThatTakeAColumn) {
    EXPECT_EQ(display_size(""), 0U);
    EXPECT_EQ(display_size(pm() + "ab\x7F\x80\x9F\xFF\n c"), 5U);
    EXPECT_EQ(display_size("Zo\xEB: h\xE9llo \xA0\xAB"), 13U);
    EXPECT_TRUE(is_empty_string(std::string("\x00\x14\x81\x9F", 4)));
    EXPECT_FALSE(is_empty_string(" "));
    EXPECT_FALSE(is_empty_string("\x85\xE9"));
    EXPECT_TRUE(is_newline('\n'));
    EXPECT_TRUE(is_newline('\r'));
    EXPECT_FALSE(is_newline('\t'));
}

TEST(WordWrap, WidthLeavesOneColumnFreeAndNeverGoesNegative) {
    EXPECT_EQ(wrap_width(80), WIDTH_AT_80_COLUMNS);
    EXPECT_EQ(wrap_width(3), 0);
    EXPECT_EQ(wrap_width(1), 0);
}

TEST(WordWrap, ShorterTextStaysOneLine) {
    const std::string text = words(76);
    EXPECT_EQ(wrapped(text), std::vector<std::string>{text});
    // Colour bytes take no column, so they do not push the text over the width.
    const std::string coloured = pm() + words(70) + "\x81\x85\x90\x91\x92\x93" + "x";
    EXPECT_EQ(wrapped(coloured), std::vector<std::string>{coloured});
}

TEST(WordWrap, FullWidthTextBreaksAtItsLastSpace) {
    const std::string text = words(77);
    const std::string::size_type last_space = text.rfind(' ');
    EXPECT_EQ(wrapped(text),
              (std::vector<std::string>{text.substr(0, last_space), text.substr(last_space + 1)}));
}

TEST(WordWrap, LongWordIsCutWithoutLosingBytes) {
    const std::string word(200, 'w');
    const auto lines = wrapped(word);
    ASSERT_EQ(lines.size(), 3U);
    EXPECT_EQ(lines[0].size(), 77U);
    EXPECT_EQ(lines[1].size(), 77U);
    EXPECT_EQ(lines[2].size(), 46U);
}

TEST(WordWrap, ContinuationLinesCarryTheLeadingColourByte) {
    const std::string text = pm() + "[pm() from bob: " + words(150) + "]";
    const auto lines = wrapped(text);
    ASSERT_EQ(lines.size(), 3U);
    std::string rejoined;
    for (const auto& line : lines) {
        EXPECT_EQ(line.substr(0, 1), pm());
        EXPECT_LE(display_size(line), 77U);
        rejoined += line.substr(1) + " ";
    }
    EXPECT_EQ(rejoined, text.substr(1) + " ");
}

TEST(WordWrap, ZeroByteIsNotCarried) {
    const std::string text = std::string(1, '\0') + std::string(100, 'z');
    const auto lines = wrapped(text);
    ASSERT_EQ(lines.size(), 2U);
    EXPECT_EQ(lines[0], text.substr(0, 78));
    EXPECT_EQ(lines[1], std::string(23, 'z'));
}

TEST(WordWrap, NewlinesBreakShortAndLongText) {
    EXPECT_EQ(wrapped("short\nlines"), (std::vector<std::string>{"short", "lines"}));
    EXPECT_EQ(wrapped(pm() + "a\r\nb\n"), (std::vector<std::string>{pm() + "a", pm() + "b"}));
    const std::string text = "first part\r\n" + std::string(80, 'x');
    EXPECT_EQ(wrapped(text),
              (std::vector<std::string>{"first part", std::string(77, 'x'), std::string(3, 'x')}));
}

TEST(WordWrap, CuttingRemovesEveryBlankLineOfTheList) {
    std::vector<std::string> lines;
    word_wrap("", lines, 77);
    word_wrap(pm(), lines, 77);
    word_wrap("kept", lines, 77);
    EXPECT_EQ(lines, (std::vector<std::string>{"", pm(), "kept"}));
    word_wrap(std::string(80, 'y'), lines, 77);
    EXPECT_EQ(lines, (std::vector<std::string>{"kept", std::string(77, 'y'), "yyy"}));
}

TEST(WordWrap, ZeroWidthGivesNoLines) {
    std::vector<std::string> lines{"old"};
    word_wrap("anything", lines, 0);
    EXPECT_EQ(lines, std::vector<std::string>{"old"});
}

// Each Latin-1 letter takes one column, as the ASCII letter in its place does.
TEST(WordWrap, AccentedTextIsCutWhereItsAsciiTwinIs) {
    const auto accented = [](std::string text) {
        std::replace(text.begin(), text.end(), 'e', '\xEB');
        return text;
    };
    const std::string twin = pm() + "[PM from Zoe: " + words(150) + "]";
    for (const int width : {1, 6, 13, 77}) {
        std::vector<std::string> expected = wrapped(twin, width);
        std::transform(expected.begin(), expected.end(), expected.begin(), accented);
        EXPECT_EQ(wrapped(accented(twin), width), expected) << "width " << width;
    }
}

TEST(WordWrap, EveryWidthKeepsEveryVisibleByteWithinTheWidth) {
    const std::string text = pm() + "a bb ccc\n" + std::string(30, 'd') + " e  f\x81g " + words(90);
    for (int width = 1; width < 120; ++width) {
        std::size_t visible = 0;
        std::size_t spaces_dropped_at_most = 0;
        for (const auto& line : wrapped(text, width)) {
            EXPECT_LE(display_size(line), static_cast<std::size_t>(width)) << "width " << width;
            visible += display_size(line);
            ++spaces_dropped_at_most;
        }
        EXPECT_LE(visible, display_size(text)) << "width " << width;
        EXPECT_GE(visible + spaces_dropped_at_most, display_size(text)) << "width " << width;
    }
}

}  // namespace
}  // namespace qvchat2gui
