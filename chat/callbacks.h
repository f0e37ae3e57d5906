#pragma once

#include <string>

#include "app/log.h"
#include "chat/channel_table.h"
#include "chat/text_split.h"
#include "network/Packet.h"

namespace qvnetworklib {
class Client;
}
namespace qvchat2gui {
class ChatGUI;
}

// Handlers of the server's text, channel, clock and login-refusal messages. They run on the
// client's dispatch threads, one at a time in the order the messages arrived, alongside the key
// loop and the AFK countdown.
namespace qvchat2 {

class AfkState;
class LoginRefusal;

// The channels the player is in, shared by the handlers of this client.
ChannelTable& channel_table();

// IN_RAW_TEXT: splits the text by its channel code and hands it to on_text. A payload of fewer
// than two bytes is ignored.
void on_raw_text(qvchat2gui::ChatGUI* gui, Logger* logger, AfkState* afk,
                 qvnetworklib::Client* client, const qvnetworklib::ByteVector& payload);

// Builds the display line of one split text, logs it without colour and control bytes, applies
// the AFK rules (the user's own activity ends the AFK state; a private message, or with
// responds_local a local line that names the user, is answered while away) and shows the line.
void on_text(qvchat2gui::ChatGUI* gui, Logger* logger, qvnetworklib::Client* client, AfkState* afk,
             const std::string& name, unsigned char channel, const std::string& message,
             ChatState state);

// Whether `pattern` occurs in `text`, ASCII letters compared without case. An empty pattern
// never matches.
bool contains_insensitive(const std::string& text, const std::string& pattern);

// `s` as the logs take it, plain ASCII: every line break ("\n", "\r" or "\r\n") becomes one
// space, each Latin-1 letter its ASCII form ("Zo\xEB" is logged as "Zoe"), and the colour and
// other control bytes go.
std::string remove_special_characters(const std::string& s);

// IN_ASSIGN_CHANNELS: rebuilds the channel table from the slots of the payload and passes the
// channel list on to the front-end.
void assign_channels(qvchat2gui::ChatGUI* gui, qvnetworklib::Client* client,
                     const qvnetworklib::ByteVector& payload);

// Passes the numbers of the channel table, in order of code, to the front-end.
void gui_assign_channels(qvchat2gui::ChatGUI* gui);

// IN_UPDATE_CLOCK: passes the game time in minutes to the front-end.
void update_clock(qvchat2gui::ChatGUI* gui, qvnetworklib::Client* client,
                  const qvnetworklib::ByteVector& payload);

// IN_BAD_LOGIN: tells the user, records the refusal in `refusal` (when given) and makes the
// front-end leave its input loop.
void bad_login(qvchat2gui::ChatGUI* gui, LoginRefusal* refusal, qvnetworklib::Client* client,
               const qvnetworklib::ByteVector& payload);

// Like bad_login, and also stops the connection.
void login_failed(qvchat2gui::ChatGUI* gui, qvnetworklib::Client* client,
                  const qvnetworklib::ByteVector& payload);

}  // namespace qvchat2
