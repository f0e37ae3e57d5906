#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace qvchat2 {

// The channels whose chat is hidden, by the number the lines show. Used by the message handlers
// on the dispatch threads and by the commands on the main thread.
class MutedChannels {
public:
    // False when it already was / was not muted.
    bool mute(std::uint32_t channel);
    bool unmute(std::uint32_t channel);
    bool is_muted(std::uint32_t channel);
    // In increasing order.
    std::vector<std::uint32_t> list();

    // The file's lines: one channel number each.
    std::vector<std::string> to_lines();
    // Mutes the channels of a file; a line that is not a channel number is skipped. Returns how
    // many were skipped.
    std::size_t from_lines(const std::vector<std::string>& lines);

private:
    std::mutex channels_mutex;
    std::set<std::uint32_t> channels;  // guarded by channels_mutex
};

// The channel number that `text` is, in decimal without a sign, or none.
std::optional<std::uint32_t> parse_channel_number(const std::string& text);

}  // namespace qvchat2
