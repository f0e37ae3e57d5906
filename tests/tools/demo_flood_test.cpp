#include "tools/demo_flood.h"

#include <gtest/gtest.h>

#include <set>

#include "network/message_types.h"
#include "tests/tools/demo_harness.h"
#include "tools/demo_payloads.h"

namespace qvdemo {
namespace {

using qvtest::text_of;

TEST(DemoFlood, LinesAreOfEveryKindSizedAndMarkedOnce) {
    constexpr std::size_t TOTAL = 500;
    std::set<std::uint8_t> codes;
    for (std::size_t number = 1; number <= TOTAL; ++number) {
        const auto packet = flood_line(number, TOTAL);
        ASSERT_EQ(packet.type, qvnetworklib::IN_RAW_TEXT);
        const std::string text = text_of(packet.data);
        EXPECT_GE(text.size(), FLOOD_MIN_TEXT);
        EXPECT_LE(text.size(), FLOOD_MAX_TEXT);
        EXPECT_NE(text.find(flood_marker(number, TOTAL)), std::string::npos);
        const std::uint8_t code = packet.data[0];
        codes.insert(code);
        switch (code) {
            case LOCAL_CODE:
                EXPECT_NE(text.find(": flood "), std::string::npos) << text;
                break;
            case PM_CODE:
                EXPECT_EQ(text.rfind("[PM from ", 0), 0U) << text;
                EXPECT_EQ(text.back(), ']');
                break;
            case SERVER_CODE:
                EXPECT_GE(static_cast<unsigned char>(text.front()), 127);
                EXPECT_LE(static_cast<unsigned char>(text.front()), 154);
                break;
            default:
                EXPECT_EQ(text.front(), '[') << text;
                EXPECT_NE(text.find("]: flood "), std::string::npos) << text;
        }
    }
    EXPECT_EQ(codes, (std::set<std::uint8_t>{LOCAL_CODE, PM_CODE, SERVER_CODE, 5, 6, 7}));
}

TEST(DemoFlood, LinesOfAGivenSizeKeepTheirMarker) {
    for (const std::size_t number : {1, 2, 3, 4}) {
        const std::string text = text_of(flood_line(number, 4, FLOOD_MAX_TEXT_BYTES).data);
        EXPECT_EQ(text.size(), FLOOD_MAX_TEXT_BYTES);
        EXPECT_NE(text.find(flood_marker(number, 4)), std::string::npos);
    }
}

TEST(DemoFlood, MarkersDoNotContainEachOther) {
    EXPECT_EQ(flood_marker(1, 100).find(flood_marker(11, 100)), std::string::npos);
    EXPECT_EQ(flood_marker(11, 100).find(flood_marker(1, 100)), std::string::npos);
}

}  // namespace
}  // namespace qvdemo
