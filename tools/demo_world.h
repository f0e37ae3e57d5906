#pragma once

#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "network/Packet.h"
#include "tools/demo_cast.h"
#include "tools/demo_payloads.h"

namespace qvdemo {

// The little town one client sees: its channels, the game clock, the actors around the player
// and what happens by itself. Every operation returns the messages that tell the client.
class DemoWorld {
public:
    DemoWorld(std::string player_name, std::uint32_t seed);

    // The three channels the player is in (the last one a guild channel) and the active slot.
    static constexpr ChannelNumbers CHANNELS{1, 7, 1000042};
    static constexpr std::uint8_t ACTIVE_SLOT = 0;
    // The clock starts at 08:00 and runs through the day; it wraps after 23:59.
    static constexpr std::uint16_t START_MINUTES = 8 * 60;
    static constexpr std::uint16_t MINUTES_PER_DAY = 24 * 60;

    // Everything a client is told right after its login: a welcome, the channels, the clock
    // and the actors in sight.
    std::vector<qvnetworklib::SendPacket> arrival() const;
    // One game minute passes.
    qvnetworklib::SendPacket next_minute();
    // One thing happens by itself: a bot talks, a creature is hurt, healed, dies or arrives.
    std::vector<qvnetworklib::SendPacket> ambient_event();

    std::uint16_t clock_minutes() const { return minutes; }
    const std::string& player() const { return player_name; }
    // The names of every actor in sight, by id.
    std::vector<std::string> actor_names() const;

private:
    std::vector<qvnetworklib::SendPacket> bot_talks();
    std::vector<qvnetworklib::SendPacket> creature_hurt();
    std::vector<qvnetworklib::SendPacket> creature_healed();
    std::vector<qvnetworklib::SendPacket> creature_arrives();
    std::vector<qvnetworklib::SendPacket> creature_dies(std::uint16_t id);
    std::uint16_t random_creature();  // 0 when none is in sight
    std::size_t pick(std::size_t count);

    std::string player_name;
    std::mt19937 generator;
    std::uint16_t minutes = START_MINUTES;
    std::uint16_t next_creature_id = FIRST_CREATURE_ID;
    std::map<std::uint16_t, DemoActor> actors;

    static constexpr std::uint16_t PLAYER_ID = 100;
    static constexpr std::uint16_t FIRST_BOT_ID = 101;
    static constexpr std::uint16_t FIRST_CREATURE_ID = 200;
};

}  // namespace qvdemo
