#include "gui/reader/key_decoder.h"

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "gui/model/key_codes.h"
#include "gui/model/latin1_text.h"
#include "gui/model/utf8_text.h"
#include "gui/reader/key_sequences.h"

namespace qvchat2gui {

namespace {

constexpr unsigned char ESCAPE_BYTE = ESCAPE_KEY;
constexpr unsigned char FIRST_NON_ASCII = 0x80;
constexpr unsigned char FIRST_LATIN1 = 0xA0;
// A terminal ends a bracketed paste with this, the only sequence decoded inside one.
constexpr std::string_view PASTE_END_MARKER = "\033[201~";

unsigned char byte_at(std::string_view bytes, std::size_t index) {
    return static_cast<unsigned char>(bytes[index]);
}

std::vector<int> codes_for(const std::string& game_bytes) {
    std::vector<int> codes;
    codes.reserve(game_bytes.size());
    for (const char byte : game_bytes) {
        codes.push_back(static_cast<unsigned char>(byte));
    }
    return codes;
}

// What ESC before a key's sequence makes of it, as rxvt sends Alt-arrows: Alt with Left, Right,
// Home or End, the review's keys for Up and Down; nothing for any other key.
std::optional<int> alt_of_sequence_key(int key) {
    switch (key) {
        case LEFT_KEY:
        case RIGHT_KEY:
        case HOME_KEY:
        case END_KEY:
            return alt(key);
        case UP_KEY:
            return REVIEW_OLDER_KEY;
        case DOWN_KEY:
            return REVIEW_NEWER_KEY;
        default:
            return std::nullopt;
    }
}

}  // namespace

InputEncoding input_encoding_of_locale() {
    return MB_CUR_MAX == 1 ? InputEncoding::latin1 : InputEncoding::utf8;
}

KeyDecoder::KeyDecoder(InputEncoding encoding) : encoding(encoding) {}

std::vector<int> KeyDecoder::feed(std::string_view bytes) {
    held.append(bytes);
    return run(false);
}

bool KeyDecoder::holding() const {
    return !held.empty();
}

std::vector<int> KeyDecoder::flush() {
    return run(true);
}

bool KeyDecoder::pasting() const {
    return paste_open;
}

void KeyDecoder::end_paste() {
    paste_open = false;
}

// Decodes the held bytes step by step; with at_end, every step takes bytes, so none stay held.
std::vector<int> KeyDecoder::run(bool at_end) {
    std::vector<int> keys;
    std::string_view rest = held;
    while (!rest.empty()) {
        const Step step = next_step(rest, at_end);
        if (step.taken == 0) {
            break;
        }
        for (const int key : step.keys) {
            if (key == PASTE_START_KEY) {
                paste_open = true;
            } else if (key == PASTE_END_KEY) {
                paste_open = false;
            }
            keys.push_back(key);
        }
        rest.remove_prefix(step.taken);
    }
    held.erase(0, held.size() - rest.size());
    return keys;
}

KeyDecoder::Step KeyDecoder::next_step(std::string_view bytes, bool at_end) const {
    if (paste_open) {
        return paste_step(bytes, at_end);
    }
    if (byte_at(bytes, 0) == ESCAPE_BYTE) {
        return escape_step(bytes, at_end);
    }
    return character_step(bytes, at_end);
}

// A pasted ESC gives nothing, so that no pasted byte acts as a key; the bytes after it are
// pasted text, unless they end the paste.
KeyDecoder::Step KeyDecoder::paste_step(std::string_view bytes, bool at_end) const {
    if (byte_at(bytes, 0) != ESCAPE_BYTE) {
        return character_step(bytes, at_end);
    }
    const std::size_t compared = std::min(bytes.size(), PASTE_END_MARKER.size());
    if (bytes.substr(0, compared) == PASTE_END_MARKER.substr(0, compared)) {
        if (compared == PASTE_END_MARKER.size()) {
            return {{PASTE_END_KEY}, compared};
        }
        if (!at_end) {
            return {};
        }
    }
    return {{}, 1};
}

// Bytes 0-127 as themselves; beyond them one character as its game bytes.
KeyDecoder::Step KeyDecoder::character_step(std::string_view bytes, bool at_end) const {
    const unsigned char first = byte_at(bytes, 0);
    if (first < FIRST_NON_ASCII) {
        return {{first}, 1};
    }
    if (encoding == InputEncoding::latin1) {
        const TypedCharacter typed = read_typed_character(bytes);
        if (typed.unfinished && !at_end) {
            return {};
        }
        // 0x80-0x9F would be colour codes.
        return {typed.length > 1 || first >= FIRST_LATIN1
                    ? codes_for(game_bytes_for_typed(static_cast<wchar_t>(typed.character)))
                    : std::vector<int>{},
                typed.length};
    }
    const Utf8Read read = read_utf8(bytes);
    switch (read.status) {
        case Utf8Read::Status::complete:
            return {codes_for(game_bytes_for_typed(static_cast<wchar_t>(read.character))),
                    read.length};
        case Utf8Read::Status::unfinished:
            return at_end ? Step{{}, read.length} : Step{};
        case Utf8Read::Status::malformed:
            break;
    }
    return {{}, read.length};
}

KeyDecoder::Step KeyDecoder::escape_step(std::string_view bytes, bool at_end) const {
    if (bytes.size() < 2) {
        return at_end ? Step{{ESCAPE_KEY}, 1} : Step{};
    }
    const unsigned char second = byte_at(bytes, 1);
    if (second == '[' || second == 'O') {
        return sequence_step(bytes, at_end);
    }
    if (second == ESCAPE_BYTE) {
        // ESC ESC is Escape, and the second ESC begins anew, unless it begins an arrow, Home or
        // End: rxvt's Alt with them.
        if (bytes.size() < 3) {
            return at_end ? Step{{ESCAPE_KEY}, 1} : Step{};
        }
        const unsigned char third = byte_at(bytes, 2);
        if (third == '[' || third == 'O') {
            const Step sequence = sequence_step(bytes.substr(1), at_end);
            if (sequence.taken == 0) {
                return {};
            }
            if (sequence.keys.size() == 1) {
                if (const std::optional<int> with_alt =
                        alt_of_sequence_key(sequence.keys.front())) {
                    return {{*with_alt}, sequence.taken + 1};
                }
            }
        }
        return {{ESCAPE_KEY}, 1};
    }
    if (second < FIRST_NON_ASCII) {
        return {{alt(second)}, 2};
    }
    // Alt with a letter beyond ASCII: Alt with its byte where it is one, else Escape and what
    // the character types.
    Step character = character_step(bytes.substr(1), at_end);
    if (character.taken == 0) {
        return {};
    }
    if (character.keys.size() == 1) {
        character.keys.front() = alt(character.keys.front());
    } else {
        character.keys.insert(character.keys.begin(), ESCAPE_KEY);
    }
    ++character.taken;
    return character;
}

// ESC [ or ESC O, then parameter bytes, intermediate bytes and a final byte.
KeyDecoder::Step KeyDecoder::sequence_step(std::string_view bytes, bool at_end) {
    const std::size_t limit = std::min(bytes.size(), MAX_SEQUENCE_BYTES);
    std::size_t end = 2;
    while (end < limit && is_parameter_byte(byte_at(bytes, end))) {
        ++end;
    }
    const std::size_t intermediates_start = end;
    while (end < limit && is_intermediate_byte(byte_at(bytes, end))) {
        ++end;
    }
    if (end == MAX_SEQUENCE_BYTES) {
        return {{}, end};
    }
    if (end == bytes.size() && !at_end) {
        return {};
    }
    if (end < bytes.size() && is_final_byte(byte_at(bytes, end))) {
        const KeySequence sequence{bytes[1], bytes.substr(2, intermediates_start - 2),
                                   bytes.substr(intermediates_start, end - intermediates_start),
                                   bytes[end]};
        const auto key = key_for_sequence(sequence);
        return {key ? std::vector<int>{*key} : std::vector<int>{}, end + 1};
    }
    // Cut off, or broken by a byte that has no place in a sequence (read anew): ESC [ or ESC O
    // alone is Escape and the key typed; a fragment with parameters is no text and gives nothing.
    if (end == 2) {
        return {{ESCAPE_KEY, bytes[1]}, 2};
    }
    return {{}, end};
}

}  // namespace qvchat2gui
