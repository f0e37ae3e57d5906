#include "gui/model/notification.h"

#include <cstdlib>
#include <utility>

#include "gui/model/chat_text.h"

namespace qvchat2gui {

namespace {

constexpr char ESC = '\x1B';
constexpr char BEL = '\a';
constexpr std::string_view CUT_MARK = "...";

bool starts_with(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

bool is_continuation_byte(unsigned char byte) {
    return (byte & 0xC0U) == 0x80;
}

std::string environment_text(const char* name) {
    // NOLINTNEXTLINE(concurrency-mt-unsafe): nothing in this program changes the environment
    const char* value = std::getenv(name);
    return value == nullptr ? std::string() : std::string(value);
}

// How many bytes the well-formed UTF-8 character at the start of `text` takes, when it is a
// printable one: ASCII 0x20-0x7E, or a code point from U+00A0 on that is neither an overlong
// form nor a surrogate. 0 for anything else, so that control characters (C1 ones encoded as
// UTF-8 included) and stray bytes are dropped one byte at a time.
std::size_t printable_character_length(std::string_view text) {
    const auto lead = static_cast<unsigned char>(text[0]);
    if (lead >= 0x20 && lead <= 0x7E) {
        return 1;
    }
    std::size_t length = 0;
    char32_t code = 0;
    char32_t least = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1FU;
        least = 0xA0;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0FU;
        least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07U;
        least = 0x10000;
    } else {
        return 0;
    }
    if (text.size() < length) {
        return 0;
    }
    for (std::size_t index = 1; index < length; ++index) {
        const auto byte = static_cast<unsigned char>(text[index]);
        if (!is_continuation_byte(byte)) {
            return 0;
        }
        code = (code << 6U) | (byte & 0x3FU);
    }
    const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    return (code < least || code > 0x10FFFF || surrogate) ? 0 : length;
}

// The printable characters of `text` (see printable_character_length); every other byte dropped.
std::string printable_utf8(std::string_view text) {
    std::string printable;
    printable.reserve(text.size());
    while (!text.empty()) {
        const std::size_t length = printable_character_length(text);
        printable.append(text.substr(0, length));
        text.remove_prefix(length == 0 ? 1 : length);
    }
    return printable;
}

// `text` (UTF-8) cut to at most `most` characters, ending with "..." when something was cut.
std::string cut_to_characters(std::string text, std::size_t most) {
    std::size_t characters = 0;
    std::size_t keep_bytes = 0;  // the bytes of the first most - 3 characters
    for (std::size_t index = 0; index < text.size(); ++index) {
        if (is_continuation_byte(static_cast<unsigned char>(text[index]))) {
            continue;
        }
        if (characters == most - CUT_MARK.size()) {
            keep_bytes = index;
        }
        if (++characters > most) {
            text.resize(keep_bytes);
            text.append(CUT_MARK);
            return text;
        }
    }
    return text;
}

std::string osc_sequence(std::string_view body) {
    std::string sequence{ESC, ']'};
    sequence.append(body);
    sequence.push_back(BEL);
    return sequence;
}

bool takes_osc9(const TerminalFacts& terminal) {
    return terminal.term_program == "iTerm.app" || terminal.term_program == "ghostty" ||
           terminal.term == "xterm-kitty" || terminal.term == "xterm-ghostty" ||
           starts_with(terminal.term, "ghostty");
}

// Terminals known to show neither OSC 9 nor OSC 777, where the bell is the only sign. tmux sets
// TERM to screen* too, so screen* means GNU screen only outside tmux.
bool takes_only_the_bell(const TerminalFacts& terminal) {
    const std::string& term = terminal.term;
    const bool numbered_vt =
        starts_with(term, "vt") && term.size() > 2 && term[2] >= '0' && term[2] <= '9';
    return term.empty() || term == "dumb" || term == "linux" || term == "cons25" || numbered_vt ||
           terminal.term_program == "Apple_Terminal" ||
           (!terminal.inside_tmux && starts_with(term, "screen"));
}

NotifyMode resolved_mode(NotifyMode mode, const TerminalFacts& terminal) {
    if (mode != NotifyMode::automatic) {
        return mode;
    }
    if (takes_osc9(terminal)) {
        return NotifyMode::osc9;
    }
    return takes_only_the_bell(terminal) ? NotifyMode::bell : NotifyMode::osc777;
}

// `sequence` passed through tmux to the terminal around it, then a BEL for tmux itself.
std::string through_tmux(std::string_view sequence) {
    std::string wrapped{ESC, 'P'};
    wrapped.append("tmux;");
    for (const char byte : sequence) {
        if (byte == ESC) {
            wrapped.push_back(ESC);
        }
        wrapped.push_back(byte);
    }
    wrapped.push_back(ESC);
    wrapped.push_back('\\');
    wrapped.push_back(BEL);
    return wrapped;
}

}  // namespace

TerminalFacts terminal_facts_from_environment() {
    TerminalFacts facts;
    facts.term = environment_text("TERM");
    facts.term_program = environment_text("TERM_PROGRAM");
    facts.inside_tmux = !environment_text("TMUX").empty();
    return facts;
}

std::string notification_text(std::string_view shown_line) {
    std::string text;
    text.reserve(shown_line.size());
    for (const char byte : shown_line) {
        const auto value = static_cast<unsigned char>(byte);
        if (is_control_character(byte)) {
            continue;
        }
        if (value < 0x80) {
            text.push_back(byte);
        } else {
            text.push_back(static_cast<char>(0xC0U | (value >> 6U)));
            text.push_back(static_cast<char>(0x80U | (value & 0x3FU)));
        }
    }
    return cut_to_characters(std::move(text), NOTIFICATION_TEXT_CHARACTERS);
}

std::string notification_sequence(NotifyMode mode, const TerminalFacts& terminal,
                                  std::string_view text) {
    std::string sequence;
    switch (resolved_mode(mode, terminal)) {
        case NotifyMode::osc777:
            sequence = osc_sequence("777;notify;qvchat;" + printable_utf8(text));
            break;
        case NotifyMode::osc9:
            sequence = osc_sequence("9;" + printable_utf8(text));
            break;
        case NotifyMode::bell:
            return std::string(1, BEL);
        case NotifyMode::automatic:
        case NotifyMode::off:
            return {};
    }
    return terminal.inside_tmux ? through_tmux(sequence) : sequence;
}

std::optional<std::string> NotificationThrottle::offer(std::string text, time_point now) {
    if (last_sent && now - *last_sent < NOTIFY_INTERVAL) {
        ++held_count;
        newest_held = std::move(text);
        return std::nullopt;
    }
    if (held_count > 0) {
        ++held_count;
        newest_held = std::move(text);
        return take_due(now);
    }
    last_sent = now;
    return cut_to_characters(std::move(text), NOTIFICATION_TEXT_CHARACTERS);
}

std::optional<std::string> NotificationThrottle::take_due(time_point now) {
    const std::optional<time_point> due = next_due();
    if (!due || now < *due) {
        return std::nullopt;
    }
    std::string summary = held_count == 1 ? std::move(newest_held)
                                          : std::to_string(held_count) + " more: " + newest_held;
    held_count = 0;
    newest_held.clear();
    last_sent = now;
    return cut_to_characters(std::move(summary), NOTIFICATION_TEXT_CHARACTERS);
}

std::optional<NotificationThrottle::time_point> NotificationThrottle::next_due() const {
    if (held_count == 0 || !last_sent) {
        return std::nullopt;
    }
    return *last_sent + NOTIFY_INTERVAL;
}

}  // namespace qvchat2gui
