#include "chat/registration.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <string>

#include "chat/actors.h"
#include "chat/callbacks.h"
#include "chat/login_refusal.h"
#include "gui/common_gui.h"
#include "network/QVClient.h"
#include "network/message_types.h"
#include "tests/chat/chat_fixture.h"
#include "tests/support/wait_until.h"

namespace {

using qvchat2gui::PM_COLOR;
using qvchat2gui::SERVER_COLOR;
using qvtest::color;
using qvtest::SentPm;
using qvtest::wait_until;
using ::testing::ElementsAre;

// IN_ADD_ACTOR for id 12, 'Bob', type 1, 30 of 30 health.
qvnetworklib::ByteVector bob_payload() {
    qvnetworklib::ByteVector bob(17, 0);
    bob[0] = 12;
    bob[12] = 30;
    bob[14] = 30;
    bob[16] = 1;
    bob.insert(bob.end(), {'B', 'o', 'b', 0});
    return bob;
}

// The whole road: the fake server's messages reach the handlers through a real client, and
// typed commands reach the AFK state and the actor list through the front-end.
class Registration : public qvtest::ChatFixture {
protected:
    void SetUp() override {
        qvchat2::assign_channels(&gui, nullptr, {});
        qvchat2::remove_all_actors(nullptr, {});
        use_afk_state(false);
        qvchat2::register_chat_handlers(harness.client(), &gui, &logger, afk.get(), &refusal);
        harness.start();
        ASSERT_TRUE(server.wait_for_client());
    }
    void TearDown() override { qvchat2::remove_all_actors(nullptr, {}); }

    qvchat2::LoginRefusal refusal;

    bool shows(const std::string& line) const {
        return wait_until([&] {
            const auto lines = gui.shown();
            return std::find(lines.begin(), lines.end(), line) != lines.end();
        });
    }
};

TEST_F(Registration, ServerMessagesReachTheirHandlers) {
    server.send_text(3, "Welcome");
    EXPECT_TRUE(shows(color(SERVER_COLOR) + "Welcome"));

    const std::size_t channel_lists_before = gui.channel_list_calls().size();
    server.send_frame(qvnetworklib::IN_ASSIGN_CHANNELS, {0, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    EXPECT_TRUE(wait_until([&] { return gui.channel_list_calls().size() > channel_lists_before; }));
    EXPECT_THAT(gui.channel_list_calls().back(), ElementsAre(3U));

    server.send_frame(qvnetworklib::IN_UPDATE_CLOCK, {0x2C, 0x01});
    EXPECT_TRUE(wait_until([&] { return !gui.clocks().empty(); }));
    EXPECT_THAT(gui.clocks(), ElementsAre(300));

    server.send_frame(qvnetworklib::IN_ADD_ACTOR, bob_payload());
    EXPECT_TRUE(wait_until([] { return qvchat2::actor_list().find(12).has_value(); }));

    qvnetworklib::ByteVector ann(28, 0);
    ann[0] = 13;
    ann.insert(ann.end(), {'A', 'n', 'n', 0});
    server.send_frame(qvnetworklib::IN_ADD_ENHANCED_ACTOR, ann);
    server.send_frame(qvnetworklib::IN_ACTOR_DAMAGE, {12, 0, 10, 0});
    server.send_frame(qvnetworklib::IN_ACTOR_HEAL, {12, 0, 3, 0});
    server.send_frame(qvnetworklib::IN_REMOVE_ACTOR, {13, 0});
    EXPECT_TRUE(wait_until([] {
        const auto bob_now = qvchat2::actor_list().find(12);
        return bob_now && bob_now->current_health == 23 &&
               !qvchat2::actor_list().find(13).has_value();
    }));

    EXPECT_FALSE(refusal.happened());
    server.send_frame(qvnetworklib::IN_BAD_LOGIN, {});
    EXPECT_TRUE(shows("BAD LOGIN"));
    EXPECT_TRUE(gui.should_exit());
    EXPECT_TRUE(refusal.happened());
}

TEST_F(Registration, AfkCommandMakesTheClientAnswerPrivateMessages) {
    gui.process_input(&harness.client(), "#afk back at 5");
    EXPECT_TRUE(afk->is_afk());
    EXPECT_EQ(afk->get_afk_message(), "back at 5");

    server.send_text(1, "[PM from Otto: hi]");
    EXPECT_TRUE(shows(color(PM_COLOR) + "[PM from Otto: hi]"));
    EXPECT_THAT(sent_pms(), ElementsAre(SentPm{"Otto", "back at 5"}));
}

TEST_F(Registration, LookCommandListsTheActorsAndTabOffersTheirNames) {
    qvchat2::add_actor(nullptr, bob_payload());
    gui.process_input(&harness.client(), "#look around");
    EXPECT_THAT(gui.shown(), ElementsAre(color(SERVER_COLOR) + "Local actors:",
                                         color(SERVER_COLOR) + "Bob  ( 1 30/30 HP)"));
    EXPECT_THAT(gui.completion_names(), ElementsAre("Bob"));
}

// The fuzz targets collect the handlers through a registrar of their own; they must get the
// very handlers the client gets.
TEST(RegistrationThroughRegistrar, EntersEveryMessageHandlerOnce) {
    qvtest::RecordingGUI gui;
    std::map<std::uint8_t, qvnetworklib::PacketCallback> entered;
    int entries = 0;
    qvchat2::register_chat_handlers(
        [&](std::uint8_t type, const qvnetworklib::PacketCallback& callback) {
            ++entries;
            entered.emplace(type, callback);
        },
        &gui, nullptr, nullptr);

    std::vector<int> types;
    types.reserve(entered.size());
    for (const auto& entry : entered) {
        types.push_back(entry.first);
    }
    EXPECT_THAT(types, ElementsAre(0, 1, 5, 6, 47, 48, 51, 71, 251));
    EXPECT_EQ(entries, 9);

    entered.at(qvnetworklib::IN_BAD_LOGIN)(nullptr, {});
    EXPECT_THAT(gui.shown(), ElementsAre("BAD LOGIN"));
    EXPECT_TRUE(gui.should_exit());
}

}  // namespace
