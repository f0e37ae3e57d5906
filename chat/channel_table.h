#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

namespace qvchat2 {

// The chat channels the player is in, keyed by the code that raw text uses for them (slot
// index + 5), and the channel the server marks as active. Safe to use from many threads.
class ChannelTable {
public:
    struct Channel {
        std::uint32_t number = 0;
        bool active = false;
    };

    // Replaces the table by `slots` (0 = empty slot). The channel in slot `active_slot` becomes
    // the active one; when that slot is empty or missing the active channel stays as it was.
    void assign(const std::vector<std::uint32_t>& slots, std::size_t active_slot);

    // Forgets every channel and the active one, as before the first assignment.
    void clear();

    std::optional<Channel> find(std::uint8_t code) const;

    // The channel numbers in ascending order of code.
    std::vector<unsigned int> numbers() const;
    // The active channel's number; 0 before any channel was marked active.
    std::uint32_t active_number() const;

private:
    static constexpr std::uint8_t FIRST_CHANNEL_CODE = 5;

    mutable std::mutex channels_lock;  // guards our_channels and active_channel
    std::map<std::uint8_t, std::uint32_t> our_channels;
    std::uint32_t active_channel = 0;
};

}  // namespace qvchat2
