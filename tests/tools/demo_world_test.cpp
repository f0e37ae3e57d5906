#include "tools/demo_world.h"

#include <gtest/gtest.h>

#include <map>

#include "network/QVClient.h"
#include "network/message_types.h"

namespace qvdemo {
namespace {

using qvnetworklib::assemble;
using qvnetworklib::SendPacket;

// Health as a client would track it from the messages, with the maximum of each actor.
struct TrackedActor {
    int current = 0;
    int maximum = 0;
};

void track(std::map<int, TrackedActor>& actors, const SendPacket& packet) {
    const auto& data = packet.data;
    switch (packet.type) {
        case qvnetworklib::IN_ADD_ACTOR:
            actors[assemble(data[0], data[1])] = {assemble(data[14], data[15]),
                                                  assemble(data[12], data[13])};
            break;
        case qvnetworklib::IN_ADD_ENHANCED_ACTOR:
            actors[assemble(data[0], data[1])] = {assemble(data[25], data[26]),
                                                  assemble(data[23], data[24])};
            break;
        case qvnetworklib::IN_REMOVE_ACTOR:
            EXPECT_EQ(actors.erase(assemble(data[0], data[1])), 1U);
            break;
        case qvnetworklib::IN_ACTOR_DAMAGE:
            ASSERT_EQ(actors.count(assemble(data[0], data[1])), 1U);
            actors[assemble(data[0], data[1])].current -= assemble(data[2], data[3]);
            break;
        case qvnetworklib::IN_ACTOR_HEAL:
            ASSERT_EQ(actors.count(assemble(data[0], data[1])), 1U);
            actors[assemble(data[0], data[1])].current += assemble(data[2], data[3]);
            break;
        default:
            break;
    }
}

TEST(DemoWorld, ArrivalWelcomesThenAssignsChannelsClockAndActors) {
    const DemoWorld world("Wanderer", 1);
    const auto packets = world.arrival();
    ASSERT_GE(packets.size(), 4U);
    EXPECT_EQ(packets[0].type, qvnetworklib::IN_RAW_TEXT);
    EXPECT_EQ(packets[1].type, qvnetworklib::IN_ASSIGN_CHANNELS);
    EXPECT_EQ(packets[1].data.size(), 13U);
    EXPECT_EQ(packets[2].type, qvnetworklib::IN_UPDATE_CLOCK);
    EXPECT_EQ(assemble(packets[2].data[0], packets[2].data[1]), DemoWorld::START_MINUTES);
    std::size_t plain = 0;
    std::size_t enhanced = 0;
    for (const auto& packet : packets) {
        plain += packet.type == qvnetworklib::IN_ADD_ACTOR ? 1 : 0;
        enhanced += packet.type == qvnetworklib::IN_ADD_ENHANCED_ACTOR ? 1 : 0;
    }
    EXPECT_GT(plain, 0U);
    EXPECT_EQ(enhanced, demo_cast().size() + 1);  // the bots and the player
}

TEST(DemoWorld, ClockAdvancesOneMinuteAndWrapsAtMidnight) {
    DemoWorld world("Wanderer", 1);
    const auto first = world.next_minute();
    EXPECT_EQ(assemble(first.data[0], first.data[1]), DemoWorld::START_MINUTES + 1);
    for (int minute = DemoWorld::START_MINUTES + 1; minute < DemoWorld::MINUTES_PER_DAY - 1;
         ++minute) {
        world.next_minute();
    }
    EXPECT_EQ(world.clock_minutes(), DemoWorld::MINUTES_PER_DAY - 1);
    const auto midnight = world.next_minute();
    EXPECT_EQ(assemble(midnight.data[0], midnight.data[1]), 0);
}

TEST(DemoWorld, AmbientEventsKeepEveryActorsHealthWithinItsBounds) {
    for (const std::uint32_t seed : {1U, 2U, 3U}) {
        DemoWorld world("Wanderer", seed);
        std::map<int, TrackedActor> actors;
        for (const auto& packet : world.arrival()) {
            track(actors, packet);
        }
        std::map<std::uint8_t, int> seen_types;
        for (int event = 0; event < 3000; ++event) {
            for (const auto& packet : world.ambient_event()) {
                ++seen_types[packet.type];
                track(actors, packet);
                if (packet.type == qvnetworklib::IN_RAW_TEXT) {
                    ASSERT_GE(packet.data.size(), 3U);
                }
            }
            for (const auto& [id, actor] : actors) {
                ASSERT_GE(actor.current, 0) << "actor " << id;
                ASSERT_LE(actor.current, actor.maximum) << "actor " << id;
            }
        }
        for (const std::uint8_t type :
             {qvnetworklib::IN_RAW_TEXT, qvnetworklib::IN_ADD_ACTOR, qvnetworklib::IN_REMOVE_ACTOR,
              qvnetworklib::IN_ACTOR_DAMAGE, qvnetworklib::IN_ACTOR_HEAL}) {
            EXPECT_GT(seen_types[type], 0) << "type " << int{type};
        }
    }
}

}  // namespace
}  // namespace qvdemo
