#include "chat/muted_channels.h"

#include <algorithm>
#include <charconv>

#include "app/name_list_file.h"

namespace qvchat2 {

std::optional<std::uint32_t> parse_channel_number(const std::string& text) {
    std::uint32_t channel = 0;
    const char* last = text.data() + text.size();
    // from_chars takes no sign or space for an unsigned number: "+3", " 3" and "-3" fail here.
    const auto [stop, error] = std::from_chars(text.data(), last, channel);
    if (text.empty() || error != std::errc{} || stop != last) {
        return std::nullopt;
    }
    return channel;
}

MuteOutcome MutedChannels::mute(std::uint32_t channel) {
    const std::lock_guard<std::mutex> lock(channels_mutex);
    if (channels.count(channel) > 0) {
        return MuteOutcome::was_muted;
    }
    if (channels.size() >= MAX_NAME_LIST_ENTRIES) {
        return MuteOutcome::list_full;
    }
    channels.insert(channel);
    in_order_muted.push_back(channel);
    return MuteOutcome::muted;
}

bool MutedChannels::unmute(std::uint32_t channel) {
    const std::lock_guard<std::mutex> lock(channels_mutex);
    if (channels.erase(channel) == 0) {
        return false;
    }
    in_order_muted.erase(std::find(in_order_muted.begin(), in_order_muted.end(), channel));
    return true;
}

bool MutedChannels::is_muted(std::uint32_t channel) {
    const std::lock_guard<std::mutex> lock(channels_mutex);
    return channels.count(channel) > 0;
}

std::vector<std::uint32_t> MutedChannels::list() {
    const std::lock_guard<std::mutex> lock(channels_mutex);
    return {channels.begin(), channels.end()};
}

std::vector<std::string> MutedChannels::to_lines() {
    const std::lock_guard<std::mutex> lock(channels_mutex);
    std::vector<std::string> lines;
    lines.reserve(in_order_muted.size());
    for (const std::uint32_t channel : in_order_muted) {
        lines.push_back(std::to_string(channel));
    }
    return lines;
}

std::size_t MutedChannels::from_lines(const std::vector<std::string>& lines) {
    std::size_t unreadable = 0;
    for (const std::string& line : lines) {
        if (const auto channel = parse_channel_number(line)) {
            mute(*channel);
        } else {
            ++unreadable;
        }
    }
    return unreadable;
}

}  // namespace qvchat2
