#include "gui/reader/key_sequences.h"

#include <algorithm>
#include <array>
#include <cstddef>

#include "gui/model/key_codes.h"

namespace qvchat2gui {

namespace {

// Numbers above this name no key; capping them keeps a long run of digits from overflowing.
constexpr int MAX_PARAMETER = 10000;
// What an application keypad sends after ESC O, from 'j' to 'y'.
constexpr std::string_view KEYPAD_CHARACTERS = "*+,-./0123456789";
constexpr int BRACKETED_PASTE_START = 200;
constexpr int BRACKETED_PASTE_END = 201;

// The numbers of a sequence, at most two (key and modifier); a missing number is 1, as in xterm.
struct Parameters {
    std::size_t count = 0;
    std::array<int, 2> values{1, 1};
};

// None when the parameters are not plain numbers (a private marker such as '?', a
// sub-parameter) or more than two: no key sends those.
std::optional<Parameters> read_parameters(std::string_view text) {
    Parameters read;
    if (text.empty()) {
        return read;
    }
    std::size_t field_start = 0;
    while (true) {
        if (read.count == read.values.size()) {
            return std::nullopt;
        }
        const std::size_t end = text.find(';', field_start);
        const std::string_view field =
            text.substr(field_start, end == std::string_view::npos ? end : end - field_start);
        if (!field.empty()) {
            int value = 0;
            for (const char digit : field) {
                if (digit < '0' || digit > '9') {
                    return std::nullopt;
                }
                value = std::min(value * 10 + (digit - '0'), MAX_PARAMETER);
            }
            read.values.at(read.count) = value;
        }
        ++read.count;
        if (end == std::string_view::npos) {
            return read;
        }
        field_start = end + 1;
    }
}

// The xterm modifier number is 1 plus Shift 1, Alt 2, Ctrl 4; only Alt alone and Ctrl alone
// mean something to the editor.
enum class Modifier { none, alt, ctrl, other };

Modifier modifier_from(int value) {
    switch (value) {
        case 1:
            return Modifier::none;
        case 3:
            return Modifier::alt;
        case 5:
            return Modifier::ctrl;
        default:
            return Modifier::other;
    }
}

std::optional<int> modified_key(int key, Modifier modifier) {
    if (modifier == Modifier::none) {
        return key;
    }
    if (modifier == Modifier::other) {
        return std::nullopt;
    }
    const bool ctrl_held = modifier == Modifier::ctrl;
    switch (key) {
        case LEFT_KEY:
            return ctrl_held ? CTRL_LEFT_KEY : alt(LEFT_KEY);
        case RIGHT_KEY:
            return ctrl_held ? CTRL_RIGHT_KEY : alt(RIGHT_KEY);
        case HOME_KEY:
            return CHAT_OLDEST_KEY;
        case END_KEY:
            return CHAT_NEWEST_KEY;
        case UP_KEY:
            return ctrl_held ? std::nullopt : std::optional(REVIEW_OLDER_KEY);
        case DOWN_KEY:
            return ctrl_held ? std::nullopt : std::optional(REVIEW_NEWER_KEY);
        default:
            return std::nullopt;
    }
}

// Arrows, Home and End by their final byte: xterm sends "1;5C" with a modifier, older xterms
// and rxvt "5C".
std::optional<int> cursor_key(char final_byte, const Parameters& parameters) {
    int key = 0;
    switch (final_byte) {
        case 'A':
            key = UP_KEY;
            break;
        case 'B':
            key = DOWN_KEY;
            break;
        case 'C':
            key = RIGHT_KEY;
            break;
        case 'D':
            key = LEFT_KEY;
            break;
        case 'H':
            key = HOME_KEY;
            break;
        case 'F':
            key = END_KEY;
            break;
        default:
            return std::nullopt;
    }
    if (parameters.count == 2 && parameters.values[0] != 1) {
        return std::nullopt;
    }
    const int modifier = parameters.values.at(parameters.count == 2 ? 1 : 0);
    return modified_key(key, modifier_from(modifier));
}

// F1 to F12 as VT220 and xterm number them before '~': 11 to 15, 17 to 21, 23 and 24.
std::optional<int> numbered_function_key(int number) {
    constexpr int FIRST = 11;
    constexpr int LAST = 24;
    if (number < FIRST || number > LAST || number == 16 || number == 22) {
        return std::nullopt;
    }
    return function_key(number - FIRST + 1 - (number > 16 ? 1 : 0) - (number > 22 ? 1 : 0));
}

// The keys numbered before '~' (VT220 and xterm) or '^' (rxvt with Ctrl).
std::optional<int> numbered_key(int number) {
    if (const auto function = numbered_function_key(number)) {
        return function;
    }
    switch (number) {
        case 1:
        case 7:
            return HOME_KEY;
        case 4:
        case 8:
            return END_KEY;
        case 2:
            return INSERT_KEY;
        case 3:
            return ERASE_KEY;
        case 5:
            return PAGE_UP_KEY;
        case 6:
            return PAGE_DOWN_KEY;
        case BRACKETED_PASTE_START:
            return PASTE_START_KEY;
        case BRACKETED_PASTE_END:
            return PASTE_END_KEY;
        default:
            return std::nullopt;
    }
}

std::optional<int> csi_key(char final_byte, const Parameters& parameters) {
    const bool plain = parameters.count == 0;
    switch (final_byte) {
        case '~':
        case '^': {
            if (plain) {
                return std::nullopt;
            }
            const auto key = numbered_key(parameters.values[0]);
            const Modifier modifier = final_byte == '^'       ? Modifier::ctrl
                                      : parameters.count == 2 ? modifier_from(parameters.values[1])
                                                              : Modifier::none;
            return key ? modified_key(*key, modifier) : std::nullopt;
        }
        case 'I':
            return plain ? std::optional(FOCUS_IN_KEY) : std::nullopt;
        case 'O':
            return plain ? std::optional(FOCUS_OUT_KEY) : std::nullopt;
        default:
            return cursor_key(final_byte, parameters);
    }
}

std::optional<int> ss3_key(char final_byte, const Parameters& parameters) {
    if (parameters.count == 0) {
        // rxvt's Ctrl-arrows, the keypad's Enter and its other keys.
        if (final_byte == 'c') {
            return CTRL_RIGHT_KEY;
        }
        if (final_byte == 'd') {
            return CTRL_LEFT_KEY;
        }
        if (final_byte == 'M') {
            return ENTER_KEY;
        }
        // xterm's F1 to F4.
        if (final_byte >= 'P' && final_byte <= 'S') {
            return function_key(final_byte - 'P' + 1);
        }
        if (final_byte >= 'j' && final_byte <= 'y') {
            return static_cast<unsigned char>(KEYPAD_CHARACTERS[final_byte - 'j']);
        }
    }
    return cursor_key(final_byte, parameters);
}

}  // namespace

std::optional<int> key_for_sequence(const KeySequence& sequence) {
    if (!sequence.intermediates.empty()) {
        return std::nullopt;
    }
    const auto parameters = read_parameters(sequence.parameters);
    if (!parameters) {
        return std::nullopt;
    }
    return sequence.introducer == 'O' ? ss3_key(sequence.final_byte, *parameters)
                                      : csi_key(sequence.final_byte, *parameters);
}

}  // namespace qvchat2gui
