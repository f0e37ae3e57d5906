#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

#include "chat/actor_info.h"

namespace qvchat2 {

// The actors around the player by id. Safe to use from many threads.
class ActorList {
public:
    // Adds `actor` unless an entry with its id exists, which then stays unchanged. Returns
    // whether it was added.
    bool add(const ActorInfo& actor);
    void remove(std::uint16_t id);
    void clear();
    // Adds `amount` to the current health of entry `id`, stopping at 0 and at 65535; the maximum
    // health is no bound. Nothing happens when there is no such entry.
    void adjust_health(std::uint16_t id, int amount);

    std::optional<ActorInfo> find(std::uint16_t id) const;
    // A copy of every entry in ascending id.
    std::vector<ActorInfo> entries() const;

private:
    mutable std::mutex actors_lock;  // guards mapping
    std::map<std::uint16_t, ActorInfo> mapping;
};

}  // namespace qvchat2
