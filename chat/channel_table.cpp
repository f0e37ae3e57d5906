#include "chat/channel_table.h"

namespace qvchat2 {

void ChannelTable::assign(const std::vector<std::uint32_t>& slots, std::size_t active_slot) {
    const std::lock_guard<std::mutex> lock(channels_lock);
    our_channels.clear();
    for (std::size_t slot = 0; slot < slots.size(); ++slot) {
        if (slots[slot] == 0) {
            continue;
        }
        if (slot == active_slot) {
            active_channel = slots[slot];
        }
        // Codes are one byte; an oversized assignment wraps and its later slots lose.
        our_channels.emplace(static_cast<std::uint8_t>(slot + FIRST_CHANNEL_CODE), slots[slot]);
    }
}

void ChannelTable::clear() {
    const std::lock_guard<std::mutex> lock(channels_lock);
    our_channels.clear();
    active_channel = 0;
}

std::optional<ChannelTable::Channel> ChannelTable::find(std::uint8_t code) const {
    const std::lock_guard<std::mutex> lock(channels_lock);
    const auto entry = our_channels.find(code);
    if (entry == our_channels.end()) {
        return std::nullopt;
    }
    return Channel{entry->second, entry->second == active_channel};
}

std::vector<unsigned int> ChannelTable::numbers() const {
    const std::lock_guard<std::mutex> lock(channels_lock);
    std::vector<unsigned int> numbers;
    numbers.reserve(our_channels.size());
    for (const auto& entry : our_channels) {
        numbers.push_back(entry.second);
    }
    return numbers;
}

std::uint32_t ChannelTable::active_number() const {
    const std::lock_guard<std::mutex> lock(channels_lock);
    return active_channel;
}

}  // namespace qvchat2
