#pragma once

#include <cstdint>
#include <string>

namespace qvchat2 {

// One character the server reports around the player.
struct ActorInfo {
    std::uint16_t id = 0;
    int actor_type = 0;
    std::string name;
    std::string tag;  // second word of an enhanced actor's name field
    std::uint16_t current_health = 0;
    std::uint16_t max_health = 0;
    bool enhanced = false;
};

}  // namespace qvchat2
