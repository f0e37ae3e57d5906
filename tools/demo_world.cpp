#include "tools/demo_world.h"

#include <algorithm>
#include <array>
#include <utility>

namespace qvdemo {

using qvnetworklib::SendPacket;

namespace {

constexpr std::uint16_t PLAYER_HEALTH = 100;
constexpr std::uint16_t PLAYER_TYPE = 1;
constexpr std::size_t CREATURES_AT_START = 2;
constexpr std::size_t MOST_CREATURES = 5;
constexpr std::uint16_t LARGEST_HIT = 12;

// Weights of the kinds of ambient events.
enum class Happening { BOT_TALKS, CREATURE_HURT, CREATURE_HEALED, CREATURE_ARRIVES };
constexpr std::array<int, 4> HAPPENING_WEIGHTS{6, 2, 1, 1};

const std::string& one_of(const std::vector<std::string>& lines, std::size_t index) {
    return lines[index % lines.size()];
}

}  // namespace

DemoWorld::DemoWorld(std::string player_name_, std::uint32_t seed)
    : player_name(std::move(player_name_)), generator(seed) {
    actors[PLAYER_ID] =
        DemoActor{PLAYER_ID, PLAYER_TYPE, PLAYER_HEALTH, PLAYER_HEALTH, player_name, "", true};
    std::uint16_t id = FIRST_BOT_ID;
    for (const auto& bot : demo_cast()) {
        actors[id] =
            DemoActor{id, bot.type, bot.max_health, bot.max_health, bot.name, bot.tag, true};
        ++id;
    }
    for (std::size_t i = 0; i < CREATURES_AT_START; ++i) {
        const auto& creature = demo_creatures()[i];
        actors[next_creature_id] = DemoActor{next_creature_id,
                                             creature.type,
                                             creature.max_health,
                                             creature.max_health,
                                             creature.name,
                                             "",
                                             false};
        ++next_creature_id;
    }
}

std::vector<SendPacket> DemoWorld::arrival() const {
    std::vector<SendPacket> packets{
        raw_text(SERVER_CODE, "Welcome to Quorvan, " + player_name +
                                  "! This is the demo server: talk, send private messages to "
                                  "Ferelith, Marek, Ysolde or Brannock, or try #loc and #look."),
        assign_channels(ACTIVE_SLOT, CHANNELS),
        update_clock(minutes),
    };
    for (const auto& entry : actors) {
        packets.push_back(add_actor(entry.second));
    }
    return packets;
}

SendPacket DemoWorld::next_minute() {
    minutes = static_cast<std::uint16_t>((minutes + 1) % MINUTES_PER_DAY);
    return update_clock(minutes);
}

std::vector<std::string> DemoWorld::actor_names() const {
    std::vector<std::string> names;
    for (const auto& entry : actors) {
        names.push_back(entry.second.name);
    }
    return names;
}

std::size_t DemoWorld::pick(std::size_t count) {
    return std::uniform_int_distribution<std::size_t>(0, count - 1)(generator);
}

std::vector<SendPacket> DemoWorld::ambient_event() {
    std::discrete_distribution<int> happening(HAPPENING_WEIGHTS.begin(), HAPPENING_WEIGHTS.end());
    switch (static_cast<Happening>(happening(generator))) {
        case Happening::CREATURE_HURT:
            return creature_hurt();
        case Happening::CREATURE_HEALED:
            return creature_healed();
        case Happening::CREATURE_ARRIVES:
            return creature_arrives();
        case Happening::BOT_TALKS:
            break;
    }
    return bot_talks();
}

std::vector<SendPacket> DemoWorld::bot_talks() {
    const auto& bot = demo_cast()[pick(demo_cast().size())];
    const std::size_t line = pick(16);
    switch (pick(8)) {
        case 0:
            return {raw_text(LOCAL_CODE, bot.name + " " + one_of(bot.emotes, line))};
        case 1:
        case 2: {
            const auto slot = static_cast<std::uint8_t>(pick(CHANNEL_SLOTS));
            return {raw_text(static_cast<std::uint8_t>(FIRST_CHANNEL_CODE + slot),
                             "[" + bot.name + "]: " + one_of(bot.channel_talk, line))};
        }
        case 3:
            return {raw_text(SERVER_CODE, one_of(demo_server_notices(), line))};
        case 4:
            return {raw_text(GM_CODE, std::string("#GM from ") + GM_NAME + ": " +
                                          one_of(demo_gm_messages(), line))};
        case 5:
            return {raw_text(PM_CODE,
                             "[PM from " + bot.name + ": " + one_of(bot.pm_replies, line) + "]")};
        default:
            return {raw_text(LOCAL_CODE, bot.name + ": " + one_of(bot.sayings, line))};
    }
}

std::uint16_t DemoWorld::random_creature() {
    std::vector<std::uint16_t> ids;
    for (const auto& entry : actors) {
        if (entry.first >= FIRST_CREATURE_ID) {
            ids.push_back(entry.first);
        }
    }
    return ids.empty() ? 0 : ids[pick(ids.size())];
}

std::vector<SendPacket> DemoWorld::creature_hurt() {
    const std::uint16_t id = random_creature();
    if (id == 0) {
        return creature_arrives();
    }
    DemoActor& creature = actors[id];
    const auto hit = static_cast<std::uint16_t>(1 + pick(LARGEST_HIT));
    // Never more than the creature has left: its health stays a true count.
    const auto damage = std::min(hit, creature.current_health);
    creature.current_health = static_cast<std::uint16_t>(creature.current_health - damage);
    std::vector<SendPacket> packets{actor_damage(id, damage)};
    if (creature.current_health == 0) {
        auto death = creature_dies(id);
        packets.insert(packets.end(), death.begin(), death.end());
    }
    return packets;
}

std::vector<SendPacket> DemoWorld::creature_healed() {
    const std::uint16_t id = random_creature();
    if (id == 0) {
        return creature_arrives();
    }
    DemoActor& creature = actors[id];
    const auto amount =
        std::min(static_cast<std::uint16_t>(1 + pick(LARGEST_HIT)),
                 static_cast<std::uint16_t>(creature.max_health - creature.current_health));
    creature.current_health = static_cast<std::uint16_t>(creature.current_health + amount);
    return {actor_heal(id, amount)};
}

std::vector<SendPacket> DemoWorld::creature_arrives() {
    const std::size_t in_sight =
        static_cast<std::size_t>(std::count_if(actors.begin(), actors.end(), [](const auto& entry) {
            return entry.first >= FIRST_CREATURE_ID;
        }));
    if (in_sight >= MOST_CREATURES) {
        return creature_hurt();
    }
    const auto& kind = demo_creatures()[pick(demo_creatures().size())];
    const std::uint16_t id = next_creature_id;
    // Ids are reused only after the whole range has gone round.
    next_creature_id = next_creature_id == UINT16_MAX
                           ? FIRST_CREATURE_ID
                           : static_cast<std::uint16_t>(next_creature_id + 1);
    actors[id] = DemoActor{id, kind.type, kind.max_health, kind.max_health, kind.name, "", false};
    return {add_actor(actors[id]), raw_text(SERVER_CODE, "A " + kind.name + " comes into view.")};
}

std::vector<SendPacket> DemoWorld::creature_dies(std::uint16_t id) {
    const std::string name = actors[id].name;
    actors.erase(id);
    return {remove_actor(id), raw_text(SERVER_CODE, "The " + name + " falls.")};
}

}  // namespace qvdemo
