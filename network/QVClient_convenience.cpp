#include <sstream>

#include "network/QVClient.h"

namespace qvnetworklib {

namespace {

void append_text(ByteVector& data, const std::string& text) {
    data.insert(data.end(), text.begin(), text.end());
}

}  // namespace

bool Client::send_chat(const std::string& text) {
    SendPacket packet{OUT_RAW_TEXT, {}};
    append_text(packet.data, text);
    return send_packet(std::move(packet));
}

bool Client::send_channel_chat(unsigned int channel, const std::string& text) {
    std::ostringstream composed;
    composed << '@';
    if (channel != 0) {
        composed << '@' << channel << ' ';
    }
    composed << text;
    SendPacket packet{OUT_RAW_TEXT, {}};
    append_text(packet.data, composed.str());
    return send_packet(std::move(packet));
}

bool Client::send_pm(const std::string& recipient, const std::string& text) {
    SendPacket packet{OUT_PM, {}};
    append_text(packet.data, recipient);
    packet.data.push_back(' ');
    append_text(packet.data, text);
    return send_packet(std::move(packet));
}

bool Client::send_gm(const std::string& text) {
    return send_server_command("gm", text);
}

bool Client::send_server_command(const std::string& command, const std::string& args) {
    SendPacket packet{OUT_RAW_TEXT, {}};
    packet.data.push_back('#');
    append_text(packet.data, command);
    packet.data.push_back(' ');
    append_text(packet.data, args);
    return send_packet(std::move(packet));
}

bool Client::send_loc() {
    return send_packet(SendPacket{OUT_LOC, {}});
}

void ping_response(Client* client, const ByteVector& data) {
    client->send_packet(SendPacket{OUT_PING_RESPONSE, data});
}

}  // namespace qvnetworklib
