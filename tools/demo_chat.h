#pragma once

#include <chrono>
#include <map>
#include <string>
#include <vector>

#include "network/Packet.h"
#include "tools/demo_world.h"

namespace qvdemo {

// A message to send after a pause (a bot "typing" its answer); 0 means at once.
struct TimedPacket {
    std::chrono::milliseconds delay{0};
    qvnetworklib::SendPacket packet;
};

// How the demo server answers what the user says: its local speech, channel chat, server
// commands, private messages and the location request.
class DemoChat {
public:
    explicit DemoChat(const DemoWorld& world);

    // Chat text (OUT_RAW_TEXT): "@text" goes to the active channel, "@@N text" to channel N,
    // "#command args" is a server command, anything else is local speech.
    std::vector<TimedPacket> on_chat(const std::string& text);
    // A private message (OUT_PM): recipient, one space, the text.
    std::vector<TimedPacket> on_private_message(const std::string& payload);
    // The answer to OUT_LOC.
    qvnetworklib::SendPacket on_location() const;

    // How long a bot takes to answer.
    static constexpr std::chrono::milliseconds BOT_DELAY{900};
    static constexpr char LOCATION_TEXT[] = "You are in the demo town [123,45]";

private:
    std::vector<TimedPacket> channel_chat(std::size_t slot, const std::string& text) const;
    std::vector<TimedPacket> numbered_channel_chat(const std::string& rest) const;
    std::vector<TimedPacket> server_command(const std::string& line) const;
    std::vector<TimedPacket> local_speech(const std::string& text);
    std::string next_reply(const std::vector<std::string>& replies);

    const DemoWorld& world;
    // The last text the user sent to each bot: a bot does not answer the same text twice in a
    // row, so an away client's automatic replies and the bot cannot answer each other forever.
    std::map<std::string, std::string> last_private_text;
    std::size_t replies_given = 0;  // bots take turns through their answers
};

}  // namespace qvdemo
