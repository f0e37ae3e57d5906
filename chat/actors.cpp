#include "chat/actors.h"

#include <algorithm>
#include <cmath>
#include <iomanip>
#include <sstream>
#include <vector>

#include "chat/note_commands.h"
#include "gui/common_gui.h"
#include "gui/model/text_wrap.h"
#include "network/QVClient.h"

namespace qvchat2 {

namespace {

using qvnetworklib::ByteVector;

constexpr std::size_t ADD_ACTOR_SIZE = 18;
constexpr std::size_t ENHANCED_ACTOR_SIZE = 29;
constexpr std::size_t HEALTH_CHANGE_SIZE = 4;
constexpr int TYPE_COLUMNS = 2;
// Names and tags come from the server: one very long one must not widen every line of the list.
constexpr std::size_t MAX_TEXT_COLUMNS = 30;

// Offsets of the fields that both add messages carry.
struct AddLayout {
    std::size_t max_health;
    std::size_t current_health;
    std::size_t actor_type;
    std::size_t name;
};
constexpr AddLayout PLAIN_LAYOUT{12, 14, 16, 17};
constexpr AddLayout ENHANCED_LAYOUT{23, 25, 27, 28};

std::uint16_t read_u16(const ByteVector& payload, std::size_t offset) {
    return qvnetworklib::assemble(payload[offset], payload[offset + 1]);
}

// A damage or heal amount: 16 bits, signed, so that 0xFFF6 is -10.
int read_amount(const ByteVector& payload) {
    return static_cast<std::int16_t>(read_u16(payload, 2));
}

ActorInfo read_actor(const ByteVector& payload, const AddLayout& layout) {
    ActorInfo actor;
    actor.id = read_u16(payload, 0);
    actor.max_health = read_u16(payload, layout.max_health);
    actor.current_health = read_u16(payload, layout.current_health);
    actor.actor_type = payload[layout.actor_type];
    return actor;
}

using Position = ByteVector::const_iterator;

template <typename Predicate>
Position skip_while(Position from, Position end, Predicate predicate) {
    return std::find_if_not(from, end, [&](unsigned char byte) { return predicate(byte); });
}

template <typename Predicate>
Position find_first(Position from, Position end, Predicate predicate) {
    return std::find_if(from, end, [&](unsigned char byte) { return predicate(byte); });
}

struct Widths {
    std::size_t name = 0;
    std::size_t tag = 0;
    int digits = 0;
};

// Columns are counted as shown: colour and other control bytes take none.
std::size_t text_columns(const std::string& text) {
    return std::min(qvchat2gui::display_size(text), MAX_TEXT_COLUMNS);
}

std::string padding(const std::string& text, std::size_t width) {
    const std::size_t shown = qvchat2gui::display_size(text);
    return std::string(shown < width ? width - shown : 0, ' ');
}

Widths column_widths(const std::vector<ActorInfo>& actors) {
    Widths widths;
    for (const ActorInfo& actor : actors) {
        widths.name = std::max(widths.name, text_columns(actor.name));
        widths.tag = std::max(widths.tag, text_columns(actor.tag));
        widths.digits = std::max<int>(
            {widths.digits, num_digits(actor.current_health), num_digits(actor.max_health)});
    }
    return widths;
}

std::string actor_line(const ActorInfo& actor, const Widths& widths) {
    std::ostringstream line;
    line << static_cast<char>(qvchat2gui::SERVER_COLOR) << actor.name
         << padding(actor.name, widths.name) << ' ' << padding(actor.tag, widths.tag) << actor.tag
         << " (" << std::setw(TYPE_COLUMNS) << actor.actor_type << ' ' << std::setw(widths.digits)
         << actor.current_health << '/' << std::setw(widths.digits) << actor.max_health << " HP)";
    return line.str();
}

}  // namespace

ActorList& actor_list() {
    static ActorList actors;
    return actors;
}

void add_actor(qvnetworklib::Client* /*client*/, const ByteVector& payload) {
    if (payload.size() < ADD_ACTOR_SIZE) {
        return;
    }
    ActorInfo actor = read_actor(payload, PLAIN_LAYOUT);
    const Position name_begin = payload.begin() + PLAIN_LAYOUT.name;
    actor.name.assign(name_begin, std::find(name_begin, payload.end(), 0));
    actor_list().add(actor);
}

void add_enhanced_actor(qvnetworklib::Client* /*client*/, const ByteVector& payload) {
    if (payload.size() < ENHANCED_ACTOR_SIZE) {
        return;
    }
    ActorInfo actor = read_actor(payload, ENHANCED_LAYOUT);
    actor.enhanced = true;

    const Position end = payload.end();
    const Position name_begin =
        skip_while(payload.begin() + ENHANCED_LAYOUT.name, end, qvchat2gui::is_control_character);
    const Position name_end = find_first(name_begin, end, illegal_name_char);
    actor.name.assign(name_begin, name_end);
    if (name_end != end && *name_end == ' ') {
        const Position tag_begin = skip_while(name_end + 1, end, qvchat2gui::is_color_code);
        actor.tag.assign(tag_begin, find_first(tag_begin, end, qvchat2gui::is_control_character));
    }
    actor_list().add(actor);
}

void remove_actor(qvnetworklib::Client* /*client*/, const ByteVector& payload) {
    if (payload.size() < 2) {
        return;
    }
    actor_list().remove(read_u16(payload, 0));
}

void get_actor_damage(qvnetworklib::Client* /*client*/, const ByteVector& payload) {
    if (payload.size() < HEALTH_CHANGE_SIZE) {
        return;
    }
    adjust_actor_health(read_u16(payload, 0), -read_amount(payload));
}

void get_actor_heal(qvnetworklib::Client* /*client*/, const ByteVector& payload) {
    if (payload.size() < HEALTH_CHANGE_SIZE) {
        return;
    }
    adjust_actor_health(read_u16(payload, 0), read_amount(payload));
}

void remove_all_actors(qvnetworklib::Client* /*client*/, const ByteVector& /*payload*/) {
    actor_list().clear();
}

void adjust_actor_health(std::uint16_t id, int amount) {
    actor_list().adjust_health(id, amount);
}

void print_ui_actors(qvchat2gui::ChatGUI* gui, const std::string& /*argument*/) {
    gui->add_client_line(qvchat2gui::server_line("Local actors:"));
    const std::vector<ActorInfo> actors = actor_list().entries();
    const Widths widths = column_widths(actors);
    std::vector<std::string> names;
    for (const ActorInfo& actor : actors) {
        gui->add_client_line(actor_line(actor, widths));
        names.push_back(actor.name);
    }
    say_notes_on_nearby_players(gui, names);
}

bool illegal_name_char(char c) {
    return c == '\0' || c == ' ';
}

std::int16_t num_digits(double x) {
    std::int16_t digits = 0;
    for (; x >= 1 && std::isfinite(x); x /= 10) {
        ++digits;
    }
    return digits;
}

std::vector<std::string> nearby_names() {
    std::vector<std::string> names;
    for (const ActorInfo& actor : actor_list().entries()) {
        names.push_back(actor.name);
    }
    return names;
}

}  // namespace qvchat2
