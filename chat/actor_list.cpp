#include "chat/actor_list.h"

#include <algorithm>
#include <limits>

namespace qvchat2 {

bool ActorList::add(const ActorInfo& actor) {
    const std::lock_guard<std::mutex> lock(actors_lock);
    return mapping.emplace(actor.id, actor).second;
}

void ActorList::remove(std::uint16_t id) {
    const std::lock_guard<std::mutex> lock(actors_lock);
    mapping.erase(id);
}

void ActorList::clear() {
    const std::lock_guard<std::mutex> lock(actors_lock);
    mapping.clear();
}

void ActorList::adjust_health(std::uint16_t id, int amount) {
    const std::lock_guard<std::mutex> lock(actors_lock);
    const auto entry = mapping.find(id);
    if (entry == mapping.end()) {
        return;
    }
    const int health = std::clamp(entry->second.current_health + amount, 0,
                                  static_cast<int>(std::numeric_limits<std::uint16_t>::max()));
    entry->second.current_health = static_cast<std::uint16_t>(health);
}

std::optional<ActorInfo> ActorList::find(std::uint16_t id) const {
    const std::lock_guard<std::mutex> lock(actors_lock);
    const auto entry = mapping.find(id);
    if (entry == mapping.end()) {
        return std::nullopt;
    }
    return entry->second;
}

std::vector<ActorInfo> ActorList::entries() const {
    const std::lock_guard<std::mutex> lock(actors_lock);
    std::vector<ActorInfo> copies;
    copies.reserve(mapping.size());
    for (const auto& entry : mapping) {
        copies.push_back(entry.second);
    }
    return copies;
}

}  // namespace qvchat2
