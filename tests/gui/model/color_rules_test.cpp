#include <gtest/gtest.h>

#include "gui/model/chat_text.h"

namespace qvchat2gui {
namespace {

char byte(int value) {
    return static_cast<char>(value);
}

TEST(ColorRules, ControlCharactersAreLowBytesDeleteAndC1Bytes) {
    for (int value = 0; value <= 255; ++value) {
        const bool expected = value < 0x20 || (value >= 0x7F && value <= 0x9F);
        EXPECT_EQ(is_control_character(byte(value)), expected) << "byte " << value;
    }
    EXPECT_TRUE(is_control_character(byte(0x00)));
    EXPECT_TRUE(is_control_character(byte(0x1F)));
    EXPECT_FALSE(is_control_character(byte(0x20)));
    EXPECT_FALSE(is_control_character(byte(0x7E)));
    EXPECT_TRUE(is_control_character(byte(0x7F)));
    EXPECT_TRUE(is_control_character(byte(0x80)));
    EXPECT_TRUE(is_control_character(byte(0x9F)));
    EXPECT_FALSE(is_control_character(byte(0xA0)));
}

TEST(ColorRules, ColorCodesAre127To154AndAllControlCharacters) {
    EXPECT_FALSE(is_color_code(byte(0x7E)));
    EXPECT_TRUE(is_color_code(byte(0x7F)));
    EXPECT_TRUE(is_color_code(byte(0x9A)));
    EXPECT_FALSE(is_color_code(byte(0x9B)));
    int codes = 0;
    for (int value = 0; value <= 255; ++value) {
        if (is_color_code(byte(value))) {
            ++codes;
            EXPECT_TRUE(is_control_character(byte(value))) << "byte " << value;
        }
    }
    EXPECT_EQ(codes, 28);
}

TEST(ColorRules, TransformIllegalsKeepsDeleteAndPrintables) {
    EXPECT_EQ(transform_illegals(byte(0x00)), '#');
    EXPECT_EQ(transform_illegals(byte(0x1F)), '#');
    EXPECT_EQ(transform_illegals(byte(0x80)), '#');
    EXPECT_EQ(transform_illegals(byte(0xFF)), '#');
    EXPECT_EQ(transform_illegals(byte(0x20)), ' ');
    EXPECT_EQ(transform_illegals(byte(0x7E)), '~');
    EXPECT_EQ(transform_illegals(byte(0x7F)), byte(0x7F));
}

TEST(ColorRules, ColorConstantsColourAndTakeNoColumn) {
    for (const auto color : {DEFAULT_COLOR, PM_COLOR, SERVER_COLOR, OFF_CHANNEL_COLOR, GM_COLOR}) {
        EXPECT_TRUE(is_control_character(static_cast<char>(color)));
    }
}

}  // namespace
}  // namespace qvchat2gui
