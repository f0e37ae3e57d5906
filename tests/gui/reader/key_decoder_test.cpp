#include "gui/reader/key_decoder.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>
#include <string_view>
#include <vector>

#include "gui/model/key_codes.h"

namespace qvchat2gui {
namespace {

using Keys = std::vector<int>;

struct Case {
    std::string bytes;
    Keys keys;
};

// NOLINTBEGIN(concurrency-mt-unsafe): the tests change the locale on one thread only
// Transliteration (the euro sign as "EUR") follows the locale; the decoding itself does not.
class ScopedCtypeLocale {
public:
    explicit ScopedCtypeLocale(const char* name) : earlier(std::setlocale(LC_CTYPE, nullptr)) {
        EXPECT_NE(std::setlocale(LC_CTYPE, name), nullptr) << name;
    }
    ~ScopedCtypeLocale() { std::setlocale(LC_CTYPE, earlier.c_str()); }
    ScopedCtypeLocale(const ScopedCtypeLocale&) = delete;
    ScopedCtypeLocale& operator=(const ScopedCtypeLocale&) = delete;

private:
    const std::string earlier;
};
// NOLINTEND(concurrency-mt-unsafe)

Keys append(Keys keys, const Keys& more) {
    keys.insert(keys.end(), more.begin(), more.end());
    return keys;
}

// The keys of the bytes fed at once and then flushed.
Keys decoded(KeyDecoder& decoder, std::string_view bytes) {
    const Keys fed = decoder.feed(bytes);
    return append(fed, decoder.flush());
}

// Feeds the bytes whole, and again one byte at a time, then flushes: both must give the keys.
void expect_keys(const std::vector<Case>& cases, InputEncoding encoding = InputEncoding::utf8) {
    for (const auto& [bytes, keys] : cases) {
        KeyDecoder whole(encoding);
        EXPECT_EQ(decoded(whole, bytes), keys) << "whole: " << bytes;
        KeyDecoder bytewise(encoding);
        Keys got;
        for (const char byte : bytes) {
            got = append(got, bytewise.feed(std::string_view(&byte, 1)));
        }
        EXPECT_EQ(append(got, bytewise.flush()), keys) << "byte by byte: " << bytes;
        EXPECT_FALSE(bytewise.holding()) << bytes;
    }
}

TEST(KeyDecoder, BytesAndSequencesGiveTheirKeysHoweverSplit) {
    expect_keys({
        {"a Z~", {'a', ' ', 'Z', '~'}},
        {"\r\n\t\x7f\x08\x01\x12", {13, 10, 9, 127, 8, 1, 18}},
        {"\033[A\033[B\033[C\033[D\033OA\033OD",
         {UP_KEY, DOWN_KEY, RIGHT_KEY, LEFT_KEY, UP_KEY, LEFT_KEY}},
        {"\033[1;5C\033[1;5D\033[5C\033[5D\033Oc\033Od",
         {CTRL_RIGHT_KEY, CTRL_LEFT_KEY, CTRL_RIGHT_KEY, CTRL_LEFT_KEY, CTRL_RIGHT_KEY,
          CTRL_LEFT_KEY}},
        {"\033[1;3C\033[1;3D", {alt(RIGHT_KEY), alt(LEFT_KEY)}},
        // Alt-Up and Alt-Down, as xterm and as rxvt send them; Ctrl-Up means nothing here.
        {"\033[1;3A\033[1;3B\033\033[A\033\033OB\033[1;5Ax",
         {REVIEW_OLDER_KEY, REVIEW_NEWER_KEY, REVIEW_OLDER_KEY, REVIEW_NEWER_KEY, 'x'}},
        {"\033[H\033OH\033[1~\033[7~\033[F\033OF\033[4~\033[8~",
         {HOME_KEY, HOME_KEY, HOME_KEY, HOME_KEY, END_KEY, END_KEY, END_KEY, END_KEY}},
        {"\033[1;5H\033[1;3H\033[7^\033[1;5F\033[1;3F\033[8^",
         {CHAT_OLDEST_KEY, CHAT_OLDEST_KEY, CHAT_OLDEST_KEY, CHAT_NEWEST_KEY, CHAT_NEWEST_KEY,
          CHAT_NEWEST_KEY}},
        {"\033[3~\033[2~\033[5~\033[6~\033OM",
         {ERASE_KEY, INSERT_KEY, PAGE_UP_KEY, PAGE_DOWN_KEY, ENTER_KEY}},
        {"\033[11~\033[15~\033[17~\033[24~\033OP\033OS\033[16~\033[25~",
         {function_key(1), function_key(5), function_key(6), function_key(12), function_key(1),
          function_key(4)}},
        {"\033[I\033[O", {FOCUS_IN_KEY, FOCUS_OUT_KEY}},
        // Well-formed but unknown here: Shift-F5, Shift-Up, a device report, a mouse report,
        // CSI u.
        {"\033[15;2~a\033[1;2Ab\033[?1;2cc\033[<0;10;5Md\033[97;5ue", {'a', 'b', 'c', 'd', 'e'}},
        {"\033[" + std::string(30, '1') + "x", {'x'}},
        // Broken by a byte that has no place in a sequence, which is read anew.
        {"\033[1\001x", {1, 'x'}},
        {"\033[\001", {ESCAPE_KEY, '[', 1}},
        {"\033a\033Z\033\x7f\033\r\0331",
         {alt('a'), alt('Z'), alt(DELETE_KEY), alt('\r'), alt('1')}},
        {"\033", {ESCAPE_KEY}},
        {"\033\033", {ESCAPE_KEY, ESCAPE_KEY}},
        {"\033\033x", {ESCAPE_KEY, alt('x')}},
        {"\033\033[D\033\033[C\033\033OH", {alt(LEFT_KEY), alt(RIGHT_KEY), alt(HOME_KEY)}},
        {"\033\033[5~\033\033[201~", {ESCAPE_KEY, PAGE_UP_KEY, ESCAPE_KEY, PASTE_END_KEY}},
        {"\033[", {ESCAPE_KEY, '['}},
        {"\033O", {ESCAPE_KEY, 'O'}},
        {"\033[1;", {}},
    });
}

TEST(KeyDecoder, Utf8CharactersBecomeGameBytesAndBrokenOnesNothing) {
    const ScopedCtypeLocale utf8("C.UTF-8");
    expect_keys({
        {"\xC3\xA9\xC3\x9F\xC2\xA0", {0xE9, 0xDF, 0xA0}},
        {"\xE2\x82\xAC", {'E', 'U', 'R'}},
        {"\xF0\x9F\x98\x80", {'?'}},
        // C1 controls, stray continuation bytes, overlong forms, a surrogate, beyond U+10FFFF.
        {"\xC2\x85\xC2\x9F\x80\xBF", {}},
        {"\xC0\xAF\xE0\x80\xAF\xF0\x80\x80\xAF\xED\xA0\x80\xF4\x90\x80\x80\xF5\xFF", {}},
        // A character cut short gives nothing; the byte that cut it is read anew.
        {"\xC3"
         "a\xE2\x82"
         "b\xC3\033[A\xE2",
         {'a', 'b', UP_KEY}},
        {"\033\xC3\xA9\033\xE2\x82\xAC\033\xC2\x85",
         {alt(0xE9), ESCAPE_KEY, 'E', 'U', 'R', ESCAPE_KEY}},
    });
}

// No byte, alone or after ESC, ever gives a colour code.
TEST(KeyDecoder, NoByteGivesAColourCode) {
    for (const InputEncoding encoding : {InputEncoding::utf8, InputEncoding::latin1}) {
        for (int byte = 0; byte <= LAST_BYTE_KEY; ++byte) {
            for (const std::string prefix : {"", "\033"}) {
                KeyDecoder decoder(encoding);
                for (const int key : decoded(decoder, prefix + static_cast<char>(byte))) {
                    const int plain = key & ~ALT_MODIFIER;
                    EXPECT_FALSE(plain >= 0x80 && plain <= 0x9F) << byte;
                }
            }
        }
    }
}

// Whatever the locale says, bytes that form a whole UTF-8 character are that character.
TEST(KeyDecoder, Latin1TerminalsSendTheLetterBytesThemselves) {
    expect_keys(
        {{"\xE9\xDF \xA0\x85\x9F", {0xE9, 0xDF, ' ', 0xA0}},
         {"\033\xE9\033\x85", {alt(0xE9), ESCAPE_KEY}},
         {"Zo\xC3\xAB caf\xC3\xA9\xE9t", {'Z', 'o', 0xEB, ' ', 'c', 'a', 'f', 0xE9, 0xE9, 't'}},
         {"\xC3", {0xC3}}},
        InputEncoding::latin1);
    {
        const ScopedCtypeLocale plain("C");
        EXPECT_EQ(input_encoding_of_locale(), InputEncoding::latin1);
    }
    const ScopedCtypeLocale utf8("C.UTF-8");
    EXPECT_EQ(input_encoding_of_locale(), InputEncoding::utf8);
}

// What the caller sees between reads: held bytes wait for ESCAPE_WAIT, then flush.
TEST(KeyDecoder, HeldBytesWaitForTheRestOrAFlush) {
    KeyDecoder decoder;
    EXPECT_EQ(decoder.feed("x\033"), Keys{'x'});
    EXPECT_TRUE(decoder.holding());
    EXPECT_EQ(decoder.flush(), Keys{ESCAPE_KEY});
    EXPECT_FALSE(decoder.holding());
    EXPECT_EQ(decoder.feed("\033[1;"), Keys{});
    EXPECT_TRUE(decoder.holding());
    EXPECT_EQ(decoder.feed("5D"), Keys{CTRL_LEFT_KEY});
    EXPECT_EQ(decoder.feed("\xC3"), Keys{});
    EXPECT_TRUE(decoder.holding());
    EXPECT_EQ(decoder.flush(), Keys{});
    EXPECT_EQ(decoder.feed("\033\033"), Keys{});
    EXPECT_EQ(decoder.feed("[5~"), (Keys{ESCAPE_KEY, PAGE_UP_KEY}));
    EXPECT_FALSE(decoder.holding());
}

TEST(KeyDecoder, PastedBytesAreTextUntilThePasteEnds) {
    const ScopedCtypeLocale utf8("C.UTF-8");
    expect_keys({
        {"\033[200~a\033[Ab[\r\n\tc\033x\033\033[20\xC3\xA9\033[201~\033[A",
         {PASTE_START_KEY, 'a', '[', 'A', 'b', '[', 13, 10, 9, 'c', 'x', '[', '2', '0', 0xE9,
          PASTE_END_KEY, UP_KEY}},
        {"\033[200~x\033[20", {PASTE_START_KEY, 'x', '[', '2', '0'}},
    });
    KeyDecoder decoder;
    EXPECT_EQ(decoder.feed("\033[200~\033[I"), (Keys{PASTE_START_KEY, '[', 'I'}));
    EXPECT_TRUE(decoder.pasting());
    decoder.end_paste();
    EXPECT_EQ(decoder.feed("\033[I"), Keys{FOCUS_IN_KEY});
    EXPECT_EQ(decoder.feed("\033[200~\033[201~"), (Keys{PASTE_START_KEY, PASTE_END_KEY}));
    EXPECT_FALSE(decoder.pasting());
}

}  // namespace
}  // namespace qvchat2gui
