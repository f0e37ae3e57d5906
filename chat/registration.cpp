#include "chat/registration.h"

#include <boost/bind/bind.hpp>

#include "chat/actors.h"
#include "chat/callbacks.h"
#include "chat/lines_for_user.h"
#include "gui/common_gui.h"
#include "network/QVClient.h"

namespace qvchat2 {

std::unique_ptr<AfkState> create_afk_state(const Settings& settings, qvchat2gui::ChatGUI* gui) {
    return std::make_unique<AfkState>(
        get_property(settings, "afk_message", DEFAULT_AFK_MESSAGE),
        determine_truth(get_property(settings, "afk_local", "false")),
        get_property<unsigned short>(settings, "auto_afk_time", DEFAULT_AUTO_AFK_MINUTES), gui);
}

namespace {

HandlerRegistrar client_registrar(qvnetworklib::Client& client) {
    return [&client](std::uint8_t type, const qvnetworklib::PacketCallback& callback) {
        client.register_callback(type, callback);
    };
}

void register_handlers(const HandlerRegistrar& registrar, qvchat2gui::ChatGUI* gui, Logger* logger,
                       AfkState* afk, LoginRefusal* refusal) {
    using boost::placeholders::_1;
    using boost::placeholders::_2;
    using namespace qvnetworklib;

    // Text, channels, clock and login refusal.
    registrar(IN_BAD_LOGIN, boost::bind(&bad_login, gui, refusal, _1, _2));
    registrar(IN_RAW_TEXT, boost::bind(&on_raw_text, gui, logger, afk, _1, _2));
    registrar(IN_ASSIGN_CHANNELS, boost::bind(&assign_channels, gui, _1, _2));
    registrar(IN_UPDATE_CLOCK, boost::bind(&update_clock, gui, _1, _2));

    // Actors.
    registrar(IN_ADD_ENHANCED_ACTOR, &add_enhanced_actor);
    registrar(IN_ADD_ACTOR, &add_actor);
    registrar(IN_REMOVE_ACTOR, &remove_actor);
    registrar(IN_ACTOR_HEAL, &get_actor_heal);
    registrar(IN_ACTOR_DAMAGE, &get_actor_damage);
}

}  // namespace

void register_chat_commands(qvchat2gui::ChatGUI* gui, AfkState* afk) {
    using boost::placeholders::_1;
    gui->add_callback("afk", boost::bind(&AfkState::set_message_and_go_afk, afk, gui, _1));
    gui->add_callback("look", boost::bind(&print_ui_actors, gui, _1));
    gui->add_callback("missed", [gui](const std::string& /*argument*/) { show_missed(gui); });
    gui->set_nearby_names(&nearby_names);
}

void register_chat_handlers(qvnetworklib::Client& client, qvchat2gui::ChatGUI* gui, Logger* logger,
                            AfkState* afk, LoginRefusal* refusal) {
    register_chat_handlers(client_registrar(client), gui, logger, afk, refusal);
}

void register_chat_handlers(const HandlerRegistrar& registrar, qvchat2gui::ChatGUI* gui,
                            Logger* logger, AfkState* afk, LoginRefusal* refusal) {
    register_handlers(registrar, gui, logger, afk, refusal);
    register_chat_commands(gui, afk);
}

void register_message_handlers(qvnetworklib::Client& client, qvchat2gui::ChatGUI* gui,
                               Logger* logger, AfkState* afk, LoginRefusal* refusal) {
    register_handlers(client_registrar(client), gui, logger, afk, refusal);
}

void forget_session(qvchat2gui::ChatGUI* gui) {
    channel_table().clear();
    actor_list().clear();
    gui->set_active_channel(std::nullopt);
    gui->set_channel_list({});
}

}  // namespace qvchat2
