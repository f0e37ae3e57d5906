#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "chat/callbacks.h"
#include "chat/login_refusal.h"
#include "gui/common_gui.h"
#include "tests/chat/chat_fixture.h"
#include "tests/support/CapturedStderr.h"

namespace {

using qvchat2gui::OFF_CHANNEL_COLOR;
using qvnetworklib::ByteVector;
using qvtest::color;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

// The payload of a channel assignment: the active slot and the slots' numbers.
ByteVector channels_payload(unsigned char active, const std::vector<std::uint32_t>& slots) {
    ByteVector payload{active};
    for (const std::uint32_t number : slots) {
        for (int shift = 0; shift < 32; shift += 8) {
            payload.push_back(static_cast<unsigned char>(number >> shift));
        }
    }
    return payload;
}

class Channels : public qvtest::ChatFixture {
protected:
    void assign(const ByteVector& payload) { qvchat2::assign_channels(&gui, nullptr, payload); }
    std::vector<unsigned int> last_channel_list() const {
        const auto calls = gui.channel_list_calls();
        return calls.empty() ? std::vector<unsigned int>{999} : calls.back();
    }
};

TEST_F(Channels, SlotsBecomeCodesFiveToSeven) {
    assign({1, 3, 0, 0, 0, 5, 0, 0, 0, 0, 0, 0, 0});
    EXPECT_THAT(last_channel_list(), ElementsAre(3U, 5U));
    raw(5, "[Ann]: hi");
    raw(6, "[Ann]: hi");
    raw(7, "[Ann]: hi");
    EXPECT_THAT(gui.shown(), ElementsAre(color(OFF_CHANNEL_COLOR) + "[Ann @ 3]: hi",
                                         "[Ann @ 5]: hi", "[Ann]: hi"));
    EXPECT_THAT(chat_log(), ElementsAre("[Ann @ 3]: hi", "[Ann @ 5]: hi", "[Ann]: hi"));
}

TEST_F(Channels, NumbersAreLittleEndianAndGuildChannelsShowTheirNumber) {
    assign(channels_payload(0, {2000000, 0, 70000}));
    EXPECT_THAT(last_channel_list(), ElementsAre(2000000U, 70000U));
    raw(5, "[Gil]: guild talk");
    raw(7, "[Ann]: hi");
    EXPECT_THAT(gui.shown(), ElementsAre("[Gil @ 2000000]: guild talk",
                                         color(OFF_CHANNEL_COLOR) + "[Ann @ 70000]: hi"));
}

TEST_F(Channels, EmptyOrMissingActiveSlotKeepsTheActiveChannel) {
    assign(channels_payload(1, {3, 5, 0}));
    assign(channels_payload(2, {3, 5, 0}));
    assign(channels_payload(9, {3, 5, 0}));
    raw(5, "[Ann]: hi");
    raw(6, "[Ann]: hi");
    EXPECT_THAT(gui.shown(),
                ElementsAre(color(OFF_CHANNEL_COLOR) + "[Ann @ 3]: hi", "[Ann @ 5]: hi"));
}

TEST_F(Channels, OversizedPayloadWarnsAndReadsFurtherSlots) {
    std::string warning;
    {
        const qvtest::CapturedStderr captured;
        assign(channels_payload(0, {3, 5, 0, 9}));
        warning = captured.text();
    }
    EXPECT_EQ(warning, "Something's up. Our channel buffer is 17, NOT 13 as it should be!\n");
    EXPECT_THAT(last_channel_list(), ElementsAre(3U, 5U, 9U));
    const auto fourth = qvchat2::channel_table().find(8);
    ASSERT_TRUE(fourth.has_value());
    EXPECT_EQ(fourth->number, 9U);
}

TEST_F(Channels, ShortPayloadReadsOnlyCompleteSlotsWithoutWarning) {
    std::string warning;
    {
        const qvtest::CapturedStderr captured;
        assign(channels_payload(0, {3, 5}));
        assign({0, 3, 0, 0, 0, 5, 0, 0, 0, 7, 0, 0});
        warning = captured.text();
    }
    EXPECT_EQ(warning, "");
    EXPECT_THAT(gui.channel_list_calls().back(), ElementsAre(3U, 5U));
    EXPECT_FALSE(qvchat2::channel_table().find(7).has_value());
}

TEST_F(Channels, EmptyPayloadClearsTheTable) {
    assign(channels_payload(0, {3, 5, 7}));
    assign({});
    EXPECT_THAT(last_channel_list(), IsEmpty());
    raw(5, "[Ann]: hi");
    EXPECT_THAT(gui.shown(), ElementsAre("[Ann]: hi"));
}

TEST_F(Channels, HugePayloadWrapsCodesWithoutFailing) {
    std::vector<std::uint32_t> slots(400);
    for (std::size_t slot = 0; slot < slots.size(); ++slot) {
        slots[slot] = static_cast<std::uint32_t>(slot + 1);
    }
    const qvtest::CapturedStderr captured;
    assign(channels_payload(0, slots));
    EXPECT_EQ(last_channel_list().size(), 256U);
    EXPECT_EQ(qvchat2::channel_table().find(5)->number, 1U);
}

class ClockMessage : public qvtest::ChatFixture {};

TEST_F(ClockMessage, PassesLittleEndianMinutesAndIgnoresShortPayloads) {
    qvchat2::update_clock(&gui, nullptr, {0x2C, 0x01});
    qvchat2::update_clock(&gui, nullptr, {0x2C});
    qvchat2::update_clock(&gui, nullptr, {});
    qvchat2::update_clock(&gui, nullptr, {0xFF, 0xFF, 0x12});
    EXPECT_THAT(gui.clocks(), ElementsAre(300, 65535));
}

class LoginRefusal : public qvtest::ChatFixture {};

TEST_F(LoginRefusal, BadLoginTellsTheUserRecordsItAndLeavesTheInputLoop) {
    qvchat2::LoginRefusal refusal;
    EXPECT_FALSE(refusal.happened());
    qvchat2::bad_login(&gui, &refusal, &harness.client(), {});
    EXPECT_THAT(gui.shown(), ElementsAre("BAD LOGIN"));
    EXPECT_TRUE(gui.should_exit());
    EXPECT_TRUE(refusal.happened());
    EXPECT_TRUE(harness.client().is_connected());
}

TEST_F(LoginRefusal, LoginFailedAlsoStopsTheClient) {
    qvchat2::login_failed(&gui, &harness.client(), {});
    EXPECT_THAT(gui.shown(), ElementsAre("Login information invalid"));
    EXPECT_TRUE(gui.should_exit());
    EXPECT_TRUE(qvtest::wait_until([&] { return !harness.client().is_connected(); }));
}

}  // namespace
