#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace qvchat2 {

enum class MuteOutcome { muted, was_muted, list_full };

// The channels whose chat is hidden, by the number the lines show, at most MAX_NAME_LIST_ENTRIES.
// Used by the message handlers on the dispatch threads and by the commands on the main thread.
class MutedChannels {
public:
    MuteOutcome mute(std::uint32_t channel);
    // False when it was not muted.
    bool unmute(std::uint32_t channel);
    bool is_muted(std::uint32_t channel);
    // In increasing order.
    std::vector<std::uint32_t> list();

    // The file's lines: one channel number each, in the order they were muted.
    std::vector<std::string> to_lines();
    // Mutes the channels of a file in its order; a line that is not a channel number is skipped.
    // Returns how many were skipped.
    std::size_t from_lines(const std::vector<std::string>& lines);

private:
    std::mutex channels_mutex;  // guards channels and in_order_muted
    std::set<std::uint32_t> channels;
    std::vector<std::uint32_t> in_order_muted;
};

// The channel number that `text` is, in decimal without a sign, or none.
std::optional<std::uint32_t> parse_channel_number(const std::string& text);

}  // namespace qvchat2
