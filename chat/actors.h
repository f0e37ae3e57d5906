#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "chat/actor_list.h"
#include "network/Packet.h"

namespace qvnetworklib {
class Client;
}
namespace qvchat2gui {
class ChatGUI;
}

// Handlers that keep the list of actors around the player, and the "look" command that shows
// it. The handlers run on the client's dispatch threads and use no client.
namespace qvchat2 {

// Bound of the actor type; a one-byte type always lies within it.
constexpr int MAX_ACTOR_TYPES = 256;

// The actors of this client, shared by the handlers and the "look" command.
ActorList& actor_list();

// IN_ADD_ACTOR (at least 18 bytes).
void add_actor(qvnetworklib::Client* client, const qvnetworklib::ByteVector& payload);
// IN_ADD_ENHANCED_ACTOR (at least 29 bytes): the name field holds a name and an optional tag.
void add_enhanced_actor(qvnetworklib::Client* client, const qvnetworklib::ByteVector& payload);
// IN_REMOVE_ACTOR.
void remove_actor(qvnetworklib::Client* client, const qvnetworklib::ByteVector& payload);
// IN_ACTOR_DAMAGE: lowers the actor's health by a signed 16-bit amount, within 0 to 65535.
void get_actor_damage(qvnetworklib::Client* client, const qvnetworklib::ByteVector& payload);
// IN_ACTOR_HEAL: raises the actor's health by a signed 16-bit amount, within 0 to 65535.
void get_actor_heal(qvnetworklib::Client* client, const qvnetworklib::ByteVector& payload);
// Empties the list.
void remove_all_actors(qvnetworklib::Client* client, const qvnetworklib::ByteVector& payload);

// Adds `amount` to the current health of actor `id`, within 0 to 65535.
void adjust_actor_health(std::uint16_t id, int amount);

// The "look" command: shows a header line and one aligned line per actor in ascending id. Names
// and tags are aligned by the columns they take on screen, at most 30; longer ones stand whole.
// The notes on the players nearby follow.
void print_ui_actors(qvchat2gui::ChatGUI* gui, const std::string& argument);

// The names of the actors around the player, in ascending id, for Tab completion.
std::vector<std::string> nearby_names();

// True for the bytes that end an enhanced actor's name: 0 and space.
bool illegal_name_char(char c);

// Decimal digits of `x`: 1 for 1 to 9, 2 for 10 to 99 and so on; 0 below 1.
std::int16_t num_digits(double x);

}  // namespace qvchat2
