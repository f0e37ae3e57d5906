#include "chat/afk.h"

#include <boost/bind/bind.hpp>

#include "gui/common_gui.h"
#include "network/QVClient.h"

namespace qvchat2 {

AfkState::AfkState(const std::string& afk_message, bool afk_local, unsigned short auto_afk_time,
                   qvchat2gui::ChatGUI* gui, Duration minute)
    : respond_local(afk_local), front_end(gui), afk_message(afk_message) {
    const Timer::Action go_afk =
        boost::bind(&AfkState::set_message_and_go_afk, this, gui, std::string());
    timer = std::make_unique<Timer>(auto_afk_time, go_afk, minute);
}

AfkState::~AfkState() {
    timer.reset();
}

bool AfkState::is_afk() const {
    const std::lock_guard<std::mutex> lock(state_lock);
    return afk;
}

bool AfkState::set_afk(bool value) {
    if (value) {
        const std::lock_guard<std::mutex> lock(state_lock);
        go_away();
        return value;
    }
    // The countdown's action takes state_lock, so the countdown is stopped and restarted outside
    // it. Stopping it first keeps an expiry that races with this call from setting the flag again
    // after it was cleared.
    timer->cancel();
    std::optional<std::string> summary;
    {
        const std::lock_guard<std::mutex> lock(state_lock);
        summary = come_back();
    }
    if (summary && front_end != nullptr) {
        const std::string hint = qvchat2gui::lines_for_user_hint(
            front_end->keys(),
            [this](const std::string& word) { return front_end->has_command(word); });
        front_end->add_client_line(
            qvchat2gui::server_line(hint.empty() ? *summary : *summary + " " + hint));
    }
    timer->reset();
    return value;
}

std::string AfkState::get_afk_message() const {
    const std::lock_guard<std::mutex> lock(state_lock);
    return afk_message;
}

void AfkState::set_afk_message(const std::string& text) {
    const std::lock_guard<std::mutex> lock(state_lock);
    afk_message = text;
}

void AfkState::set_message_and_go_afk(qvchat2gui::ChatGUI* gui, const std::string& text) {
    {
        const std::lock_guard<std::mutex> lock(state_lock);
        if (!text.empty()) {
            afk_message = text;
        }
        go_away();
    }
    send_message(gui);
}

void AfkState::send_message(qvchat2gui::ChatGUI* gui) {
    gui->add_client_line(qvchat2gui::server_line("Going AFK."));
}

bool AfkState::responds_local() const {
    return respond_local;
}

void AfkState::set_responds_local(bool respond) {
    respond_local = respond;
}

void AfkState::set_auto_afk_time(unsigned short minutes) {
    timer->set_minutes(minutes);
    // While away the countdown has nothing to do until the user is back.
    if (!is_afk()) {
        timer->reset();
    }
}

bool AfkState::counting_down() const {
    return timer->counting_down();
}

bool AfkState::claim_reply(const std::string& name) {
    // The private message goes out as the name, a space and the text, so a name with a space
    // would send the reply to its first word.
    if (name.empty() || name.find(' ') != std::string::npos) {
        return false;
    }
    const std::lock_guard<std::mutex> lock(state_lock);
    if (answered.size() >= MAX_ANSWERED_SENDERS) {
        return false;
    }
    return answered.insert(name).second;
}

void AfkState::count_for_user(ForUserKind kind, const std::string& sender) {
    const std::lock_guard<std::mutex> lock(state_lock);
    if (afk) {
        away_tally.count(kind, sender);
    }
}

void AfkState::go_away() {
    if (!afk) {
        answered.clear();
        away_tally = AwayTally();
        away_since = std::chrono::steady_clock::now();
    }
    change_flag(true);
}

std::optional<std::string> AfkState::come_back() {
    const bool was_away = afk;
    change_flag(false);
    answered.clear();
    if (!was_away) {
        return std::nullopt;
    }
    const auto away = std::chrono::duration_cast<std::chrono::minutes>(
        std::chrono::steady_clock::now() - away_since);
    std::optional<std::string> summary = away_tally.summary(away);
    away_tally = AwayTally();
    return summary;
}

void AfkState::change_flag(bool value) {
    const bool changed = afk != value;
    afk = value;
    if (changed && front_end != nullptr) {
        front_end->announce_away(value, afk_message);
    }
}

void do_afk_reply(AfkState* afk, qvnetworklib::Client* client, const std::string& name) {
    client->send_pm(name, afk->get_afk_message());
}

}  // namespace qvchat2
