#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qvdemo {

// A character of the demo town that talks by itself and answers the user.
struct DemoBot {
    std::string name;  // one word
    std::string tag;   // guild tag shown after the name
    std::uint8_t type = 0;
    std::uint16_t max_health = 0;
    std::vector<std::string> sayings;       // local speech
    std::vector<std::string> emotes;        // "<name> <emote>", without a colon
    std::vector<std::string> channel_talk;  // chat on the channels
    std::vector<std::string> pm_replies;    // answers to the user's private messages
};

// A creature that wanders in and out of sight and gets hurt.
struct DemoCreature {
    std::string name;  // may hold spaces: creatures are plain actors
    std::uint8_t type = 0;
    std::uint16_t max_health = 0;
};

const std::vector<DemoBot>& demo_cast();
const std::vector<DemoCreature>& demo_creatures();
const std::vector<std::string>& demo_server_notices();  // may hold server colour codes

// The game master who speaks on the GM channel now and then.
constexpr char GM_NAME[] = "Orla";
const std::vector<std::string>& demo_gm_messages();

}  // namespace qvdemo
