// A typed chat line goes where the view shown says: to its player as a private message, to its
// channel as channel chat, or as chat in `all` and `local`. A command of the game ("#loc", or
// "##look" for "#look") goes to the server as chat in every view.
#include <cstdint>
#include <optional>
#include <string>

#include "gui/common_gui.h"
#include "network/QVClient.h"

namespace qvchat2gui {

namespace {

// What the channel message puts before the text: "@@5 ", or "@" alone for channel 0.
std::string channel_prefix(std::uint32_t channel) {
    return channel == 0 ? "@" : "@@" + std::to_string(channel) + " ";
}

}  // namespace

std::optional<LineView> ChatGUI::typing_destination() const {
    return std::nullopt;
}

std::optional<LineView> ChatGUI::destination_of(const std::string& chat) const {
    if (!chat.empty() && chat[0] == '#') {
        return std::nullopt;
    }
    return typing_destination();
}

std::size_t ChatGUI::chat_payload_size(const std::string& chat) const {
    const std::optional<LineView> destination = destination_of(chat);
    if (destination && destination->kind == LineView::Kind::player) {
        return destination->player.size() + 1 + chat.size();
    }
    if (destination && destination->kind == LineView::Kind::channel) {
        return channel_prefix(destination->channel).size() + chat.size();
    }
    return chat.size();
}

void ChatGUI::send_chat_text(qvnetworklib::Client* client, const std::string& chat) {
    const std::optional<LineView> destination = destination_of(chat);
    send_typed(client, chat_payload_size(chat), [&](qvnetworklib::Client& connected) {
        if (destination && destination->kind == LineView::Kind::player) {
            return connected.send_pm(destination->player, chat);
        }
        if (destination && destination->kind == LineView::Kind::channel) {
            return connected.send_channel_chat(destination->channel, chat);
        }
        return connected.send_chat(chat);
    });
}

}  // namespace qvchat2gui
