#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <boost/thread/thread.hpp>
#include <string>

#include "chat/afk.h"
#include "chat/registration.h"
#include "gui/common_gui.h"
#include "tests/chat/chat_fixture.h"
#include "tests/support/RecordingGUI.h"
#include "tests/support/wait_until.h"

namespace {

using qvchat2::AfkState;
using qvchat2gui::SERVER_COLOR;
using qvtest::color;
using qvtest::RecordingGUI;
using qvtest::SentPm;
using qvtest::wait_until;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

std::string going_afk() {
    return color(SERVER_COLOR) + "Going AFK.";
}
constexpr AfkState::Duration A_MILLISECOND{1};
constexpr unsigned short AN_HOUR_OF_MINUTES = 60;

class AfkStateTest : public ::testing::Test {
protected:
    RecordingGUI gui;
};

TEST_F(AfkStateTest, StartsPresentWithTheGivenText) {
    const AfkState afk("away", false, AN_HOUR_OF_MINUTES, &gui);
    EXPECT_FALSE(afk.is_afk());
    EXPECT_EQ(afk.get_afk_message(), "away");
    EXPECT_FALSE(afk.responds_local());
    EXPECT_THAT(gui.shown(), IsEmpty());
}

TEST_F(AfkStateTest, CountdownEndingGoesAwayWithTheTextUnchanged) {
    const AfkState afk("away", true, 2, &gui, A_MILLISECOND);
    ASSERT_TRUE(wait_until([&] { return afk.is_afk(); }));
    EXPECT_TRUE(wait_until([&] { return gui.shown().size() == 1; }));
    EXPECT_THAT(gui.shown(), ElementsAre(going_afk()));
    EXPECT_EQ(afk.get_afk_message(), "away");
    EXPECT_TRUE(afk.responds_local());
}

TEST_F(AfkStateTest, ZeroMinutesSwitchesAutoAwayOffButNotTheCommand) {
    AfkState afk("away", false, 0, &gui, A_MILLISECOND);
    EXPECT_FALSE(afk.counting_down());
    afk.set_afk(false);
    EXPECT_FALSE(afk.counting_down());
    EXPECT_FALSE(afk.is_afk());

    afk.set_message_and_go_afk(&gui, "");
    EXPECT_TRUE(afk.is_afk());
    EXPECT_FALSE(afk.set_afk(false));
    EXPECT_FALSE(afk.counting_down());
    EXPECT_THAT(gui.shown(), ElementsAre(going_afk()));
}

TEST_F(AfkStateTest, IdleTimeAndLocalAnswersChangeWhileRunning) {
    AfkState afk("away", false, 0, &gui, A_MILLISECOND);
    afk.set_responds_local(true);
    EXPECT_TRUE(afk.responds_local());
    afk.set_auto_afk_time(2);
    EXPECT_TRUE(wait_until([&] { return afk.is_afk(); })) << "a countdown started from now";
    afk.set_auto_afk_time(0);
    EXPECT_FALSE(afk.set_afk(false));
    EXPECT_FALSE(afk.counting_down());
    afk.set_message_and_go_afk(&gui, "");
    afk.set_auto_afk_time(AN_HOUR_OF_MINUTES);
    EXPECT_FALSE(afk.counting_down()) << "no countdown while away";
    afk.set_afk(false);
    EXPECT_TRUE(afk.counting_down());
}

TEST_F(AfkStateTest, AfkCommandSetsTheFlagAndKeepsOrReplacesTheText) {
    AfkState afk("away", false, AN_HOUR_OF_MINUTES, &gui);
    afk.set_message_and_go_afk(&gui, "");
    EXPECT_TRUE(afk.is_afk());
    EXPECT_EQ(afk.get_afk_message(), "away");
    afk.set_message_and_go_afk(&gui, "brb");
    EXPECT_TRUE(afk.is_afk());
    EXPECT_EQ(afk.get_afk_message(), "brb");
    EXPECT_THAT(gui.shown(), ElementsAre(going_afk(), going_afk()));
}

TEST_F(AfkStateTest, CountdownEndingAfterTheCommandAnnouncesAgainAndKeepsItsPeriod) {
    const AfkState::Duration minute{50};
    AfkState afk("away", false, 1, &gui, minute);
    afk.set_message_and_go_afk(&gui, "brb");
    EXPECT_TRUE(afk.claim_reply("Bob"));
    EXPECT_TRUE(wait_until([&] { return gui.shown().size() == 2; }));
    EXPECT_THAT(gui.shown(), ElementsAre(going_afk(), going_afk()));
    EXPECT_EQ(afk.get_afk_message(), "brb");
    EXPECT_TRUE(afk.is_afk());
    // Still the same away period: Bob has had his answer.
    EXPECT_FALSE(afk.claim_reply("Bob"));
}

TEST_F(AfkStateTest, TheFrontEndHearsOfEachChangeOfTheFlagOnce) {
    AfkState afk("away", false, 0, &gui);
    afk.set_afk(false);
    afk.set_message_and_go_afk(&gui, "");
    afk.set_message_and_go_afk(&gui, "still away");
    afk.set_afk(true);
    afk.set_afk(false);
    afk.set_afk(false);
    EXPECT_THAT(gui.away_calls(), ElementsAre(true, false));
}

TEST_F(AfkStateTest, SetAfkReturnsTheValueSet) {
    AfkState afk("away", false, AN_HOUR_OF_MINUTES, &gui);
    EXPECT_TRUE(afk.set_afk(true));
    EXPECT_TRUE(afk.is_afk());
    EXPECT_FALSE(afk.set_afk(false));
    EXPECT_FALSE(afk.is_afk());
    EXPECT_FALSE(afk.set_afk(false));
    afk.set_afk_message("new text");
    EXPECT_EQ(afk.get_afk_message(), "new text");
    EXPECT_THAT(gui.shown(), IsEmpty());
}

TEST_F(AfkStateTest, EachPlayerIsAnsweredOncePerAwayPeriod) {
    AfkState afk("away", false, AN_HOUR_OF_MINUTES, &gui);
    afk.set_message_and_go_afk(&gui, "");
    EXPECT_TRUE(afk.claim_reply("Bob"));
    EXPECT_FALSE(afk.claim_reply("Bob"));
    EXPECT_TRUE(afk.claim_reply("bob"));
    // Going away again while away goes on with the same period.
    afk.set_message_and_go_afk(&gui, "again");
    afk.set_afk(true);
    EXPECT_FALSE(afk.claim_reply("Bob"));
    afk.set_afk(false);
    afk.set_afk(true);
    EXPECT_TRUE(afk.claim_reply("Bob"));
    EXPECT_FALSE(afk.claim_reply("Bob"));
    // Coming back ends the period even when going away comes by the command.
    afk.set_afk(false);
    afk.set_message_and_go_afk(&gui, "");
    EXPECT_TRUE(afk.claim_reply("Bob"));
}

TEST_F(AfkStateTest, AFullMemoryOfAnsweredPlayersAnswersNobodyMoreUntilTheNextPeriod) {
    AfkState afk("away", false, AN_HOUR_OF_MINUTES, &gui);
    afk.set_message_and_go_afk(&gui, "");
    for (std::size_t player = 0; player < qvchat2::MAX_ANSWERED_SENDERS; ++player) {
        ASSERT_TRUE(afk.claim_reply("player" + std::to_string(player)));
    }
    EXPECT_FALSE(afk.claim_reply("latecomer"));
    EXPECT_FALSE(afk.claim_reply("player0"));
    afk.set_afk(false);
    afk.set_afk(true);
    EXPECT_TRUE(afk.claim_reply("latecomer"));
}

TEST_F(AfkStateTest, DestroyingDuringTheCountdownShowsNothing) {
    { const AfkState afk("away", false, 1, &gui, boost::chrono::hours(1)); }
    EXPECT_THAT(gui.shown(), IsEmpty());
}

// Activity that races with a countdown that keeps ending: the countdown's action needs the state
// lock that set_afk(false) uses, and set_afk(false) waits for the countdown.
TEST_F(AfkStateTest, ActivityAndEndingCountdownsDoNotBlockEachOther) {
    AfkState afk("away", false, 1, &gui, AfkState::Duration(0));
    boost::thread_group active_users;
    for (int user = 0; user < 4; ++user) {
        active_users.create_thread([&] {
            for (int round = 0; round < 200; ++round) {
                afk.set_afk(false);
                afk.is_afk();
                afk.claim_reply("Bob");
            }
        });
    }
    active_users.join_all();
    EXPECT_TRUE(wait_until([&] { return afk.is_afk(); }));
}

TEST_F(AfkStateTest, SettingsGiveTextLocalAnswersAndCountdown) {
    const auto defaults = qvchat2::create_afk_state({}, &gui);
    EXPECT_EQ(defaults->get_afk_message(), qvchat2::DEFAULT_AFK_MESSAGE);
    EXPECT_FALSE(defaults->responds_local());
    EXPECT_FALSE(defaults->is_afk());

    EXPECT_FALSE(qvchat2::create_afk_state({{"afk_local", "true"}}, &gui)->responds_local());
    EXPECT_TRUE(qvchat2::create_afk_state({{"afk_local", "1"}}, &gui)->responds_local());

    const auto custom =
        qvchat2::create_afk_state({{"afk_message", "fishing"}, {"auto_afk_time", "0"}}, &gui);
    EXPECT_EQ(custom->get_afk_message(), "fishing");
    EXPECT_TRUE(defaults->counting_down());
    EXPECT_FALSE(custom->counting_down());
}

using AfkReply = qvtest::ChatFixture;

TEST_F(AfkReply, SendsTheTextOfTheMomentAsPrivateMessage) {
    qvchat2::do_afk_reply(afk.get(), &harness.client(), "Bob");
    afk->set_message_and_go_afk(&gui, "back at 5");
    qvchat2::do_afk_reply(afk.get(), &harness.client(), "Otto");
    EXPECT_THAT(sent_pms(), ElementsAre(SentPm{"Bob", AFK_TEXT}, SentPm{"Otto", "back at 5"}));
}

}  // namespace
