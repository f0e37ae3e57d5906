#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>

#include "app/setting_defaults.h"
#include "chat/away_tally.h"
#include "chat/timer.h"

namespace qvnetworklib {
class Client;
}
namespace qvchat2gui {
class ChatGUI;
}

namespace qvchat2 {

// Senders remembered as answered in one away period; once that many are, nobody more is.
inline constexpr std::size_t MAX_ANSWERED_SENDERS = 1000;

// The away-from-keyboard state: the flag, the text sent back to players who write while it is
// set, and the countdown that sets it when the user has been idle long enough. Safe to use from
// many threads; each operation is atomic on its own, a sequence of them is not.
class AfkState {
public:
    using Duration = Timer::Duration;

    // Starts the idle countdown at once; an `auto_afk_time` of 0 minutes means no countdown, only
    // the "afk" command. `minute` is the length of one minute; tests shorten it. `gui` (when
    // given) hears of every change of the flag.
    AfkState(const std::string& afk_message, bool afk_local, unsigned short auto_afk_time,
             qvchat2gui::ChatGUI* gui, Duration minute = boost::chrono::minutes(1));
    // Stops the countdown before anything it uses goes away.
    ~AfkState();

    AfkState(const AfkState&) = delete;
    AfkState& operator=(const AfkState&) = delete;

    bool is_afk() const;
    // Sets the flag and returns `value`. Clearing it (the user is back) ends the away period and
    // restarts the countdown; coming back from away, the front-end is shown one line that sums up
    // what came for the user meanwhile, unless nothing did.
    bool set_afk(bool value);
    std::string get_afk_message() const;
    void set_afk_message(const std::string& text);
    // The "afk" command and the countdown's action: sets the flag, takes `text` as the new reply
    // text unless it is empty, and announces it. A countdown still running keeps running. While
    // already away, the away period goes on.
    void set_message_and_go_afk(qvchat2gui::ChatGUI* gui, const std::string& text);
    // Shows "Going AFK.".
    static void send_message(qvchat2gui::ChatGUI* gui);
    // Whether local text that names the user is answered too.
    bool responds_local() const;
    void set_responds_local(bool respond);
    // A new idle time before going away (0: never by itself), counted from now while present.
    void set_auto_afk_time(unsigned short minutes);
    // Whether the idle countdown is running; never with auto-away off.
    bool counting_down() const;

    // True the first time `name` is to be answered in the current away period, which runs from
    // going away to coming back. Answering each player once keeps two away clients from
    // answering each other forever. False for a name no private message can reach (empty or
    // with a space), and for every new name once MAX_ANSWERED_SENDERS have been answered.
    bool claim_reply(const std::string& name);

    // A line for the user came from `sender`: counted for the summary while away.
    void count_for_user(ForUserKind kind, const std::string& sender);

private:
    // Sets the flag; coming from present, a new away period begins. Needs state_lock.
    void go_away();
    // Clears the flag and ends the away period: its summary, if it was one and anything came.
    // Needs state_lock.
    std::optional<std::string> come_back();
    // Sets the flag and tells the front-end when it changed. Needs state_lock, which keeps the
    // front-end's picture in the order of the changes.
    void change_flag(bool value);

    std::atomic<bool> respond_local;
    qvchat2gui::ChatGUI* const front_end;
    mutable std::mutex state_lock;  // guards afk, afk_message, answered, away_since and away_tally
    bool afk = false;
    std::string afk_message;
    std::set<std::string> answered;  // players answered in this away period
    std::chrono::steady_clock::time_point away_since;
    AwayTally away_tally;          // what came for the user in this away period
    std::unique_ptr<Timer> timer;  // its own lock; made once, its length changes
};

// Sends the current reply text to the player `name` as a private message.
void do_afk_reply(AfkState* afk, qvnetworklib::Client* client, const std::string& name);

}  // namespace qvchat2
