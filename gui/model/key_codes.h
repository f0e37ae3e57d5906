#pragma once

// Key codes the line editor understands. Codes 0 to 255 are one typed byte (a game byte: ASCII
// or a Latin-1 letter); codes from 256 are the special keys, numbered as curses numbers them (so
// the curses front-end passes its codes on as they are, and checks that they agree), and the
// codes below, which a front-end gives to key sequences curses does not know by itself.
namespace qvchat2gui {

constexpr int DOWN_KEY = 0402;
constexpr int UP_KEY = 0403;
constexpr int LEFT_KEY = 0404;
constexpr int RIGHT_KEY = 0405;
constexpr int HOME_KEY = 0406;
constexpr int ERASE_BACK_KEY = 0407;  // Backspace as a special key
constexpr int ERASE_KEY = 0512;       // Delete
constexpr int PAGE_DOWN_KEY = 0522;
constexpr int PAGE_UP_KEY = 0523;
constexpr int INSERT_KEY = 0513;
constexpr int ENTER_KEY = 0527;  // the keypad's Enter
constexpr int END_KEY = 0550;
constexpr int RESIZE_KEY = 0632;  // the terminal changed its size

// F1 to F12, as curses' KEY_F(n).
constexpr int FUNCTION_KEYS = 12;
constexpr int function_key(int number) {
    return 0410 + number;
}

// The two erase keys that arrive as plain bytes, and the highest code that is a byte.
constexpr int BACKSPACE_KEY = 8;
constexpr int DELETE_KEY = 127;
constexpr int LAST_BYTE_KEY = 255;
constexpr int ESCAPE_KEY = 27;
constexpr int TAB_KEY = 9;

// The byte a key with Ctrl held sends: ctrl('a') is 1.
constexpr int ctrl(char letter) {
    return letter & 0x1F;
}

// Codes that put their byte into the line: printable ASCII and the Latin-1 letters. Control
// bytes never do, nor 0x80 to 0x9F, which the game takes as colour codes.
constexpr bool is_typed_byte(int key) {
    return (key >= ' ' && key < DELETE_KEY) || (key >= 0xA0 && key <= LAST_BYTE_KEY);
}

// Ctrl-Q and Ctrl-S, the terminal's flow-control keys.
constexpr int XON_KEY = ctrl('q');
constexpr int XOFF_KEY = ctrl('s');

// A key typed with Alt held, which the terminal sends as Escape followed by the key.
constexpr int ALT_MODIFIER = 0x100000;
constexpr int alt(int key) {
    return key | ALT_MODIFIER;
}

// Codes above every curses key code (KEY_MAX is 0777) for sequences the front-end defines.
constexpr int PASTE_START_KEY = 0x1000;
constexpr int PASTE_END_KEY = 0x1001;
constexpr int CTRL_LEFT_KEY = 0x1002;
constexpr int CTRL_RIGHT_KEY = 0x1003;
// The mouse wheel, when the front-end asked for mouse events.
constexpr int WHEEL_UP_KEY = 0x1004;
constexpr int WHEEL_DOWN_KEY = 0x1005;
// Ctrl or Alt with Home and End: the oldest and the newest line of the chat.
constexpr int CHAT_OLDEST_KEY = 0x1006;
constexpr int CHAT_NEWEST_KEY = 0x1007;
// The terminal gained or lost the focus (focus reports).
constexpr int FOCUS_IN_KEY = 0x1008;
constexpr int FOCUS_OUT_KEY = 0x1009;
// Alt with Right and Left: the next and the previous view of the chat.
constexpr int NEXT_VIEW_KEY = 0x100A;
constexpr int PREVIOUS_VIEW_KEY = 0x100B;
// Alt with Up and Down: the review point one line older or newer.
constexpr int REVIEW_OLDER_KEY = 0x100C;
constexpr int REVIEW_NEWER_KEY = 0x100D;

}  // namespace qvchat2gui
