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
// "look") with `gui`. A refused login is recorded in `refusal` when one is given. The objects
// passed must outlive the client's dispatch threads. Only before the client starts.
void register_chat_handlers(qvnetworklib::Client& client, qvchat2gui::ChatGUI* gui, Logger* logger,
                            AfkState* afk, LoginRefusal* refusal = nullptr);

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
