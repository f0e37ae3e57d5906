#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "gui/model/notify_mode.h"

// Notifications outside the terminal: which escape sequence tells the terminal (or tmux around
// it) that a line came for the user, the safe text it carries, and how often one may be sent.
// No curses and no output here: the paint thread writes what these build, between frames.
namespace qvchat2gui {

// What the environment says about the terminal around the program.
struct TerminalFacts {
    std::string term;          // TERM
    std::string term_program;  // TERM_PROGRAM
    bool inside_tmux = false;  // TMUX set and not empty
};

// TERM, TERM_PROGRAM and TMUX as they are now. Meant to be called once, at start-up.
TerminalFacts terminal_facts_from_environment();

// The most characters in a notification's text; a longer one is cut to end with "..." within it.
constexpr std::size_t NOTIFICATION_TEXT_CHARACTERS = 200;

// A chat line as shown, made into a notification's text: colour and control bytes (0x00-0x1F,
// 0x7F-0x9F) dropped, the Latin-1 letters and signs 0xA0-0xFF turned into UTF-8, at most
// NOTIFICATION_TEXT_CHARACTERS characters. The result is valid UTF-8 with no control character
// in it, so no ESC, BEL or C1 control whatever the input; the only bytes 0x80-0x9F in it are
// continuation bytes of a letter (as in "\xC3\x84" for A-diaeresis), which a UTF-8 terminal
// never reads as a control.
std::string notification_text(std::string_view shown_line);

// The bytes to write for one notification titled "qvchat" carrying `text` (as notification_text
// makes it):
// - osc777: ESC ] 777 ; notify ; qvchat ; TEXT BEL
// - osc9: ESC ] 9 ; TEXT BEL
// - bell: BEL
// - off: nothing
// - automatic: osc9 where the terminal is known to take it (TERM_PROGRAM iTerm.app or ghostty,
//   TERM xterm-kitty, xterm-ghostty or ghostty*); bell where the terminal is known to take
//   neither OSC (TERM empty, dumb, linux, cons25, vt*, TERM_PROGRAM Apple_Terminal, and GNU
//   screen, TERM screen* outside tmux); osc777 otherwise.
// Inside tmux an OSC sequence is wrapped for tmux's passthrough (ESC P tmux; the sequence with
// every ESC doubled, ESC \), which only gets through with tmux's allow-passthrough on, so a BEL
// follows it to flag the window in any case; the bell alone stays a BEL.
// Whatever `text` holds, only its printable ASCII and well-formed UTF-8 characters other than
// C1 controls are written: any other byte is dropped.
std::string notification_sequence(NotifyMode mode, const TerminalFacts& terminal,
                                  std::string_view text);

// The least time between two notifications.
constexpr std::chrono::steady_clock::duration NOTIFY_INTERVAL = std::chrono::seconds(2);

// At most one notification every NOTIFY_INTERVAL; those offered in between are held and sent
// afterwards as one summary. Not locked: its owner guards it.
class NotificationThrottle {
public:
    using time_point = std::chrono::steady_clock::time_point;

    // The text to send now: `text` itself when nothing was sent for NOTIFY_INTERVAL (or ever),
    // or the summary of the ones held with `text` among them when their time has come. Nothing
    // when it is held for later (see take_due).
    std::optional<std::string> offer(std::string text, time_point now);

    // Once NOTIFY_INTERVAL has passed since the last one sent, the summary of those held (one
    // held: its own text; N held: "N more: " and the newest one's text), at most
    // NOTIFICATION_TEXT_CHARACTERS characters; it counts as sent. Otherwise nothing.
    std::optional<std::string> take_due(time_point now);

    // When take_due will give something; nothing while none is held.
    std::optional<time_point> next_due() const;

private:
    std::optional<time_point> last_sent;
    std::size_t held_count = 0;
    std::string newest_held;
};

}  // namespace qvchat2gui
