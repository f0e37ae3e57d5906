#pragma once

#include <optional>
#include <string_view>

// The keys that terminals send as CSI (ESC [) and SS3 (ESC O) sequences, for the key decoder.
namespace qvchat2gui {

// The parts of one well-formed sequence after ESC: the introducer ('[' or 'O'), the parameter
// bytes (0x30-0x3F), the intermediate bytes (0x20-0x2F) and the final byte (0x40-0x7E).
struct KeySequence {
    char introducer = '[';
    std::string_view parameters;
    std::string_view intermediates;
    char final_byte = '\0';
};

constexpr bool is_parameter_byte(unsigned char byte) {
    return byte >= 0x30 && byte <= 0x3F;
}

constexpr bool is_intermediate_byte(unsigned char byte) {
    return byte >= 0x20 && byte <= 0x2F;
}

constexpr bool is_final_byte(unsigned char byte) {
    return byte >= 0x40 && byte <= 0x7E;
}

// The editor's key code for the sequence, or none for a sequence that means nothing here
// (Insert, function keys, Shift with a key, mouse reports, private modes).
std::optional<int> key_for_sequence(const KeySequence& sequence);

}  // namespace qvchat2gui
