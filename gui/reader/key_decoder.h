#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Decodes what a terminal in raw mode sends (xterm, tmux and their followers, rxvt, the VT
// forms) into the line editor's key codes (gui/model/key_codes.h), as the curses front-end gets
// them from curses, for a front-end that reads the terminal itself.
namespace qvchat2gui {

// How long held bytes may wait for the rest of a sequence: the curses front-end's escape delay.
constexpr std::chrono::milliseconds ESCAPE_WAIT{25};

// How the terminal encodes the characters typed beyond ASCII.
enum class InputEncoding {
    utf8,    // UTF-8, decoded here whatever the process's locale
    latin1,  // bytes that form a whole UTF-8 character are that character (as with utf8); any
             // other byte is one: 0xA0-0xFF are the Latin-1 letters themselves
};

// Latin-1 in a single-byte locale (MB_CUR_MAX == 1, the C locale among them), else UTF-8.
InputEncoding input_encoding_of_locale();

// Turns the bytes a terminal sends into the line editor's key codes.
//
// - Bytes 0-127 stay themselves (Enter as 13 or 10, Tab 9, Backspace 127 or 8, any control
//   byte), but for Escape, which begins the sequences below.
// - A character beyond ASCII becomes game_bytes_for_typed(character), each byte a code: a
//   Latin-1 letter one byte, others an ASCII spelling. Malformed or overlong UTF-8, surrogates,
//   U+0080-U+009F and, in Latin-1, the bytes 0x80-0x9F give nothing: a key never sends a colour
//   code.
// - CSI (ESC [) and SS3 (ESC O) sequences give the special keys; a well-formed sequence that
//   means nothing here is swallowed whole, so that no part of it is typed. One that has no final
//   byte within MAX_SEQUENCE_BYTES bytes is dropped there, and what follows is read anew, so
//   that nothing sent can make the decoder hold more.
// - ESC and a byte is Alt with that byte (alt(byte)); ESC and a UTF-8 character is Alt with its
//   byte when it is one Latin-1 byte, else ESCAPE_KEY and the character's bytes; ESC and a
//   sequence for Left, Right, Home or End (rxvt's Alt-arrows) is Alt with that key, for Up or
//   Down REVIEW_OLDER_KEY or REVIEW_NEWER_KEY, as xterm's Alt-Up and Alt-Down; ESC and any
//   other sequence is ESCAPE_KEY and the sequence's key.
// - Between PASTE_START_KEY and PASTE_END_KEY every byte is text: only ESC [ 2 0 1 ~ is decoded,
//   a pasted ESC gives nothing (a paste holds no keys), the bytes after it are typed.
class KeyDecoder {
public:
    // The longest sequence held while waiting for its final byte, ESC included.
    static constexpr std::size_t MAX_SEQUENCE_BYTES = 32;

    explicit KeyDecoder(InputEncoding encoding = InputEncoding::utf8);

    // Takes the bytes read from the terminal (any split: a sequence may arrive in parts) and
    // returns the keys they complete, in order. Bytes that might still begin a longer sequence
    // (a lone ESC, an unfinished CSI or UTF-8 character) are kept for the next call.
    std::vector<int> feed(std::string_view bytes);

    // Whether bytes are held that could still become a sequence; the caller then waits up to
    // ESCAPE_WAIT for more, and calls flush() when none came.
    bool holding() const;

    // What the held bytes mean on their own, and forgets them:
    // - a lone ESC is ESCAPE_KEY, and ESC ESC two of them;
    // - ESC [ or ESC O with nothing after it is ESCAPE_KEY and the '[' or 'O' typed (not Alt:
    //   an Escape typed just before the key is kept, and Alt-[ and Alt-O mean nothing anyway);
    // - a sequence cut off after its parameters gives nothing, as its fragments are no text;
    // - an unfinished UTF-8 character gives nothing;
    // - in a paste, a held ESC gives nothing and the bytes after it are typed.
    std::vector<int> flush();

    // Whether a bracketed paste is open (its start came, its end not yet).
    bool pasting() const;

    // Closes a paste whose end marker never came (the caller's own time-out), so that the bytes
    // after it are keys again.
    void end_paste();

private:
    // What the front of the pending bytes gives: the keys and how many bytes they took. Zero
    // bytes taken: the front is unfinished, and is held.
    struct Step {
        std::vector<int> keys;
        std::size_t taken = 0;
    };

    Step next_step(std::string_view bytes, bool at_end) const;
    Step key_step(std::string_view bytes, bool at_end) const;
    Step escape_step(std::string_view bytes, bool at_end) const;
    Step paste_step(std::string_view bytes, bool at_end) const;
    Step character_step(std::string_view bytes, bool at_end) const;
    static Step sequence_step(std::string_view bytes, bool at_end);
    std::vector<int> run(bool at_end);

    InputEncoding encoding;
    std::string held;
    bool paste_open = false;
};

}  // namespace qvchat2gui
