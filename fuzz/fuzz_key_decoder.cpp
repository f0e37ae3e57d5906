// The reader front-end's key decoder on anything a terminal (or a paste, or line noise) may send.
// The keys must not depend on how the bytes were split into reads, must all be codes the line
// editor knows, must never be a colour code, and a paste must hold no keys.
//
// Input: one option byte (bit 0: the terminal's encoding is Latin-1, else UTF-8; bits 1-7: the
// seed of the read sizes), then the bytes the terminal sends.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "fuzz/check.h"
#include "gui/model/key_codes.h"
#include "gui/model/utf8_text.h"
#include "gui/reader/key_decoder.h"

namespace {

namespace keys = qvchat2gui;
using keys::InputEncoding;
using keys::KeyDecoder;
using qvfuzz::check;

constexpr unsigned char ESCAPE_BYTE = 27;
constexpr int FIRST_CURSES_KEY = 0400;
constexpr int LAST_CURSES_KEY = 0777;

bool is_game_byte_or_control(int key) {
    return (key >= 0 && key < 0x80) || (key >= 0xA0 && key <= keys::LAST_BYTE_KEY);
}

bool is_special(int key) {
    return (key >= FIRST_CURSES_KEY && key <= LAST_CURSES_KEY) ||
           (key >= keys::PASTE_START_KEY && key <= keys::FOCUS_OUT_KEY) ||
           key == keys::REVIEW_OLDER_KEY || key == keys::REVIEW_NEWER_KEY;
}

bool is_known_key(int key) {
    if ((key & keys::ALT_MODIFIER) != 0) {
        const int base = key & ~keys::ALT_MODIFIER;
        return is_game_byte_or_control(base) || base == keys::LEFT_KEY || base == keys::RIGHT_KEY ||
               base == keys::HOME_KEY || base == keys::END_KEY;
    }
    return is_game_byte_or_control(key) || is_special(key);
}

// Everything at once, then the wait for more runs out.
std::vector<int> decode_whole(InputEncoding encoding, std::string_view bytes) {
    KeyDecoder decoder(encoding);
    std::vector<int> decoded = decoder.feed(bytes);
    const std::vector<int> rest = decoder.flush();
    decoded.insert(decoded.end(), rest.begin(), rest.end());
    check(!decoder.holding(), "nothing is held after a flush");
    return decoded;
}

// The same bytes in reads of 1 to 16 bytes, as a slow link or a pty may give them.
std::vector<int> decode_in_reads(InputEncoding encoding, std::string_view bytes, unsigned seed) {
    KeyDecoder decoder(encoding);
    std::vector<int> decoded;
    std::size_t at = 0;
    while (at < bytes.size()) {
        seed = seed * 1103515245U + 12345U;
        const std::size_t length = std::min<std::size_t>(1 + (seed >> 16U) % 16, bytes.size() - at);
        const std::vector<int> got = decoder.feed(bytes.substr(at, length));
        decoded.insert(decoded.end(), got.begin(), got.end());
        at += length;
    }
    const std::vector<int> rest = decoder.flush();
    decoded.insert(decoded.end(), rest.begin(), rest.end());
    return decoded;
}

// Bytes without ESC as the plain typing rules give them: ASCII as itself; in Latin-1 each byte
// but the colour codes, where no bytes form a UTF-8 character of their own (those are typed as
// that character); in UTF-8 the ASCII only, when there is nothing else.
bool plain_typing(InputEncoding encoding, std::string_view bytes, std::vector<int>& expected) {
    for (std::size_t at = 0; at < bytes.size(); ++at) {
        const auto value = static_cast<unsigned char>(bytes[at]);
        if (value == ESCAPE_BYTE || (encoding == InputEncoding::utf8 && value >= 0x80)) {
            return false;
        }
        const keys::Utf8Read read = keys::read_utf8(bytes.substr(at));
        if (value >= 0x80 && read.status == keys::Utf8Read::Status::complete && read.length > 1) {
            return false;
        }
        if (value < 0x80 || value >= 0xA0) {
            expected.push_back(value);
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) {
        return 0;
    }
    const InputEncoding encoding =
        (data[0] & 1U) != 0 ? InputEncoding::latin1 : InputEncoding::utf8;
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);

    const std::vector<int> decoded = decode_whole(encoding, bytes);
    check(decoded == decode_in_reads(encoding, bytes, data[0] >> 1U),
          "the keys do not depend on how the bytes were split into reads");

    bool in_paste = false;
    for (const int key : decoded) {
        check(is_known_key(key), "every key is a byte, a special key or Alt with a key");
        check((key & ~keys::ALT_MODIFIER) < 0x80 || (key & ~keys::ALT_MODIFIER) >= 0xA0,
              "no key is a colour code");
        if (key == keys::PASTE_START_KEY) {
            in_paste = true;
        } else if (key == keys::PASTE_END_KEY) {
            in_paste = false;
        } else if (in_paste) {
            check(key != keys::ESCAPE_KEY && key <= keys::LAST_BYTE_KEY,
                  "a paste holds text, no keys");
        }
    }

    std::vector<int> expected;
    if (plain_typing(encoding, bytes, expected)) {
        check(decoded == expected, "typing without escapes gives the bytes typed");
    }
    return 0;
}
