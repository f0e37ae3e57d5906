#include "tools/demo_chat.h"

#include <gtest/gtest.h>

#include "network/message_types.h"
#include "tests/tools/demo_harness.h"

namespace qvdemo {
namespace {

using qvtest::text_of;

class DemoChatTest : public ::testing::Test {
protected:
    DemoWorld world{"Wanderer", 1};
    DemoChat chat{world};
};

void expect_text(const TimedPacket& timed, std::uint8_t code, const std::string& text) {
    EXPECT_EQ(timed.packet.type, qvnetworklib::IN_RAW_TEXT);
    ASSERT_GE(timed.packet.data.size(), 2U);
    EXPECT_EQ(timed.packet.data[0], code);
    EXPECT_EQ(text_of(timed.packet.data), text);
}

TEST_F(DemoChatTest, LocalSpeechIsEchoedAsNameColonText) {
    const auto answer = chat.on_chat("hello there");
    ASSERT_EQ(answer.size(), 1U);
    EXPECT_EQ(answer[0].delay.count(), 0);
    expect_text(answer[0], LOCAL_CODE, "Wanderer: hello there");
}

TEST_F(DemoChatTest, MentioningABotGetsItsAnswerAfterAPause) {
    const auto answer = chat.on_chat("good morning marek");
    ASSERT_EQ(answer.size(), 2U);
    expect_text(answer[0], LOCAL_CODE, "Wanderer: good morning marek");
    EXPECT_GT(answer[1].delay.count(), 0);
    EXPECT_EQ(text_of(answer[1].packet.data).rfind("Marek: ", 0), 0U);
}

TEST_F(DemoChatTest, AtSignTalksOnTheActiveChannelAndDoubleAtOnTheNumberedOne) {
    const auto active = chat.on_chat("@hi all");
    ASSERT_EQ(active.size(), 1U);
    expect_text(active[0], FIRST_CHANNEL_CODE + DemoWorld::ACTIVE_SLOT, "[Wanderer]: hi all");

    const auto second = chat.on_chat("@@7 hi seven");
    ASSERT_EQ(second.size(), 1U);
    expect_text(second[0], FIRST_CHANNEL_CODE + 1, "[Wanderer]: hi seven");

    const auto guild = chat.on_chat("@@1000042 ");
    ASSERT_EQ(guild.size(), 1U);
    expect_text(guild[0], FIRST_CHANNEL_CODE + 2, "[Wanderer]: ");
}

TEST_F(DemoChatTest, ChannelsThePlayerIsNotInOrMalformedNumbersGetAServerLine) {
    expect_text(chat.on_chat("@@9 hi")[0], SERVER_CODE, "You are not in channel 9.");
    expect_text(chat.on_chat("@@0 hi")[0], SERVER_CODE, "You are not in channel 0.");
    for (const char* line : {"@@", "@@x hi", "@@7", "@@99999999999999999999 hi"}) {
        const auto answer = chat.on_chat(line);
        ASSERT_EQ(answer.size(), 1U) << line;
        EXPECT_EQ(answer[0].packet.data[0], SERVER_CODE) << line;
    }
}

TEST_F(DemoChatTest, ServerCommands) {
    expect_text(chat.on_chat("#gm need help")[0], GM_CODE, "#GM from Wanderer: need help");
    expect_text(chat.on_chat("#time")[0], SERVER_CODE, "Game time: 08:00");
    expect_text(chat.on_chat("#dance now")[0], SERVER_CODE,
                "Unknown command: #dance. Try #gm, #time or #who.");
    EXPECT_NE(text_of(chat.on_chat("#who")[0].packet.data).find("Ferelith"), std::string::npos);
}

TEST_F(DemoChatTest, EmptyChatGetsNoAnswer) {
    EXPECT_TRUE(chat.on_chat("").empty());
}

TEST_F(DemoChatTest, PrivateMessageToABotIsEchoedAndAnswered) {
    const auto answer = chat.on_private_message("marek how are you?");
    ASSERT_EQ(answer.size(), 2U);
    EXPECT_EQ(answer[0].delay.count(), 0);
    expect_text(answer[0], PM_CODE, "[PM to Marek: how are you?]");
    EXPECT_GT(answer[1].delay.count(), 0);
    const std::string reply = text_of(answer[1].packet.data);
    EXPECT_EQ(reply.rfind("[PM from Marek: ", 0), 0U);
    EXPECT_EQ(reply.back(), ']');
}

TEST_F(DemoChatTest, BotDoesNotAnswerTheSameTextTwiceInARow) {
    EXPECT_EQ(chat.on_private_message("Marek I am away").size(), 2U);
    const auto repeated = chat.on_private_message("Marek I am away");
    ASSERT_EQ(repeated.size(), 1U);  // the echo only
    expect_text(repeated[0], PM_CODE, "[PM to Marek: I am away]");
    EXPECT_EQ(chat.on_private_message("Marek back now").size(), 2U);
}

TEST_F(DemoChatTest, PrivateMessageToOneselfComesBack) {
    const auto answer = chat.on_private_message("Wanderer note");
    ASSERT_EQ(answer.size(), 2U);
    expect_text(answer[0], PM_CODE, "[PM to Wanderer: note]");
    expect_text(answer[1], PM_CODE, "[PM from Wanderer: note]");
}

TEST_F(DemoChatTest, PrivateMessageToSomeoneUnknownIsNotDelivered) {
    const auto answer = chat.on_private_message("Nobody hi");
    ASSERT_EQ(answer.size(), 1U);
    expect_text(answer[0], SERVER_CODE, "Nobody is not online.");
    const auto empty = chat.on_private_message("");
    ASSERT_EQ(empty.size(), 1U);
    EXPECT_EQ(empty[0].packet.data[0], SERVER_CODE);
}

TEST_F(DemoChatTest, HugePrivateMessageKeepsTheClosingBracketAndFitsOneFrame) {
    const auto answer = chat.on_private_message("Marek " + std::string(70000, 'y'));
    const auto& echo = answer[0].packet.data;
    EXPECT_EQ(echo.size(), qvnetworklib::MAX_PAYLOAD_SIZE);
    EXPECT_EQ(echo.back(), ']');
}

TEST_F(DemoChatTest, LocationAnswer) {
    const auto packet = chat.on_location();
    EXPECT_EQ(packet.data[0], SERVER_CODE);
    EXPECT_EQ(text_of(packet.data), "You are in the demo town [123,45]");
}

}  // namespace
}  // namespace qvdemo
