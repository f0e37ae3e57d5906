#include "tools/demo_chat.h"

#include <algorithm>
#include <boost/algorithm/string/predicate.hpp>
#include <cctype>

namespace qvdemo {

using qvnetworklib::SendPacket;

namespace {

std::vector<TimedPacket> at_once(SendPacket packet) {
    return {TimedPacket{std::chrono::milliseconds(0), std::move(packet)}};
}

// head + text + tail, the text shortened so that the whole fits into one message.
std::string fitted(const std::string& head, const std::string& text, const std::string& tail = "") {
    const std::size_t room = MAX_TEXT_SIZE - std::min(MAX_TEXT_SIZE, head.size() + tail.size());
    return head + text.substr(0, room) + tail;
}

std::vector<TimedPacket> server_line(const std::string& text) {
    return at_once(raw_text(SERVER_CODE, text));
}

const DemoBot* find_bot(const std::string& name) {
    for (const auto& bot : demo_cast()) {
        if (boost::algorithm::iequals(bot.name, name)) {
            return &bot;
        }
    }
    return nullptr;
}

const DemoBot* mentioned_bot(const std::string& text) {
    for (const auto& bot : demo_cast()) {
        if (boost::algorithm::icontains(text, bot.name)) {
            return &bot;
        }
    }
    return nullptr;
}

std::string two_digits(unsigned value) {
    return (value < 10 ? "0" : "") + std::to_string(value);
}

std::string joined(const std::vector<std::string>& names) {
    std::string text;
    for (const auto& name : names) {
        text += (text.empty() ? "" : ", ") + name;
    }
    return text;
}

}  // namespace

DemoChat::DemoChat(const DemoWorld& world_) : world(world_) {}

std::vector<TimedPacket> DemoChat::on_chat(const std::string& text) {
    if (text.empty()) {
        return {};
    }
    if (boost::algorithm::starts_with(text, "@@")) {
        return numbered_channel_chat(text.substr(2));
    }
    if (text.front() == '@') {
        return channel_chat(DemoWorld::ACTIVE_SLOT, text.substr(1));
    }
    if (text.front() == '#') {
        return server_command(text.substr(1));
    }
    return local_speech(text);
}

std::vector<TimedPacket> DemoChat::channel_chat(std::size_t slot, const std::string& text) const {
    const auto code = static_cast<std::uint8_t>(FIRST_CHANNEL_CODE + slot);
    return at_once(raw_text(code, fitted("[" + world.player() + "]: ", text)));
}

std::vector<TimedPacket> DemoChat::numbered_channel_chat(const std::string& rest) const {
    const std::size_t digits = rest.find_first_not_of("0123456789");
    if (digits == 0 || digits == std::string::npos || rest[digits] != ' ' || digits > 10) {
        return server_line("To talk on a channel, type @@ then its number, a space and the text.");
    }
    const unsigned long long number = std::stoull(rest.substr(0, digits));
    for (std::size_t slot = 0; slot < CHANNEL_SLOTS; ++slot) {
        if (DemoWorld::CHANNELS[slot] != 0 && DemoWorld::CHANNELS[slot] == number) {
            return channel_chat(slot, rest.substr(digits + 1));
        }
    }
    return server_line("You are not in channel " + rest.substr(0, digits) + ".");
}

std::vector<TimedPacket> DemoChat::server_command(const std::string& line) const {
    const std::size_t space = line.find(' ');
    const std::string command = line.substr(0, space);
    const std::string args = space == std::string::npos ? "" : line.substr(space + 1);
    if (boost::algorithm::iequals(command, "gm")) {
        return at_once(raw_text(GM_CODE, fitted("#GM from " + world.player() + ": ", args)));
    }
    if (boost::algorithm::iequals(command, "time")) {
        const unsigned minutes = world.clock_minutes();
        return server_line("Game time: " + two_digits(minutes / 60) + ":" +
                           two_digits(minutes % 60));
    }
    if (boost::algorithm::iequals(command, "who")) {
        return server_line("Around you: " + joined(world.actor_names()) + ".");
    }
    return server_line("Unknown command: #" + command + ". Try #gm, #time or #who.");
}

std::vector<TimedPacket> DemoChat::local_speech(const std::string& text) {
    std::vector<TimedPacket> packets =
        at_once(raw_text(LOCAL_CODE, fitted(world.player() + ": ", text)));
    if (const DemoBot* bot = mentioned_bot(text)) {
        packets.push_back(TimedPacket{
            BOT_DELAY, raw_text(LOCAL_CODE, bot->name + ": " + next_reply(bot->pm_replies))});
    }
    return packets;
}

std::vector<TimedPacket> DemoChat::on_private_message(const std::string& payload) {
    const std::size_t space = payload.find(' ');
    const std::string recipient = payload.substr(0, space);
    const std::string text = space == std::string::npos ? "" : payload.substr(space + 1);
    const DemoBot* bot = find_bot(recipient);
    const bool to_self = recipient == world.player();
    if (bot == nullptr && !to_self) {
        return server_line(recipient.empty() ? "To send a private message, type /name and the text."
                                             : recipient + " is not online.");
    }
    const std::string& name = to_self ? world.player() : bot->name;
    std::vector<TimedPacket> packets{
        TimedPacket{std::chrono::milliseconds(0),
                    raw_text(PM_CODE, fitted("[PM to " + name + ": ", text, "]"))}};
    if (to_self) {
        packets.push_back(TimedPacket{
            BOT_DELAY, raw_text(PM_CODE, fitted("[PM from " + name + ": ", text, "]"))});
        return packets;
    }
    const auto previous = last_private_text.find(name);
    if (previous == last_private_text.end() || previous->second != text) {
        packets.push_back(TimedPacket{
            BOT_DELAY,
            raw_text(PM_CODE, "[PM from " + name + ": " + next_reply(bot->pm_replies) + "]")});
    }
    last_private_text[name] = text;
    return packets;
}

SendPacket DemoChat::on_location() const {
    return raw_text(SERVER_CODE, LOCATION_TEXT);
}

std::string DemoChat::next_reply(const std::vector<std::string>& replies) {
    return replies[replies_given++ % replies.size()];
}

}  // namespace qvdemo
