#pragma once

#include <optional>
#include <string_view>
#include <utility>

namespace qvchat2gui {

// The `notify` setting: which way a notification of a line for the user reaches the user while the
// terminal is not in focus or the user is away.
enum class NotifyMode { automatic, osc777, osc9, bell, off };

// The mode for the setting's text: exactly "auto", "osc777", "osc9", "bell" or "off"; anything
// else gives nothing, so that the caller can name the bad value and keep the default. Inline:
// the settings' checks use it without the front-end's library.
inline std::optional<NotifyMode> notify_mode_named(std::string_view setting) {
    constexpr std::pair<std::string_view, NotifyMode> NAMES[] = {
        {"auto", NotifyMode::automatic}, {"osc777", NotifyMode::osc777}, {"osc9", NotifyMode::osc9},
        {"bell", NotifyMode::bell},      {"off", NotifyMode::off},
    };
    for (const auto& [name, mode] : NAMES) {
        if (setting == name) {
            return mode;
        }
    }
    return std::nullopt;
}

}  // namespace qvchat2gui
