#pragma once

#include <boost/function.hpp>
#include <cstdint>
#include <memory>

#include "app/config.h"
#include "app/log.h"
#include "chat/afk.h"
#include "network/Packet.h"

namespace qvnetworklib {
class Client;
}

namespace qvchat2gui {
class ChatGUI;
}

// How start-up attaches the chat logic to the client and the front-end.
namespace qvchat2 {

class LoginRefusal;

// The AFK state from the settings afk_message, afk_local and auto_afk_time (defaults: the
// standard reply text, off, 5 minutes); its idle countdown starts at once.
std::unique_ptr<AfkState> create_afk_state(const Settings& settings, qvchat2gui::ChatGUI* gui);

// Registers every message handler of the chat logic with `client` and its commands ("afk",
// "look", "missed") with `gui`. A refused login is recorded in `refusal` when one is given. The
// objects passed must outlive the client's dispatch threads. Only before the client starts.
void register_chat_handlers(qvnetworklib::Client& client, qvchat2gui::ChatGUI* gui, Logger* logger,
                            AfkState* afk, LoginRefusal* refusal = nullptr);

// The two halves of register_chat_handlers, for a program that builds one client per
// connection: the commands once (before the front-end takes control), the message handlers
// with every client.
void register_chat_commands(qvchat2gui::ChatGUI* gui, AfkState* afk);
void register_message_handlers(qvnetworklib::Client& client, qvchat2gui::ChatGUI* gui,
                               Logger* logger, AfkState* afk, LoginRefusal* refusal);

// Forgets what the server told of the session that ended (the channels joined and the
// characters nearby) and clears the front-end's channel list. Only while no client runs.
void forget_session(qvchat2gui::ChatGUI* gui);

// Enters one message handler under its type; the first entry for a type wins.
// (The callback type is the client's PacketCallback.)
using HandlerRegistrar = boost::function<void(
    std::uint8_t,
    const boost::function<void(qvnetworklib::Client*, const qvnetworklib::ByteVector&)>&)>;

// The same registration through `registrar`, so that a harness without a connection (the fuzz
// targets) runs exactly the callables the client would.
void register_chat_handlers(const HandlerRegistrar& registrar, qvchat2gui::ChatGUI* gui,
                            Logger* logger, AfkState* afk, LoginRefusal* refusal = nullptr);

}  // namespace qvchat2
