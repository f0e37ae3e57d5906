#include "gui/model/latin1_text.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>
#include <tuple>
#include <utility>

#include "gui/model/utf8_text.h"

namespace qvchat2gui {
namespace {

// NOLINTBEGIN(concurrency-mt-unsafe): the tests change the locale on one thread only
// Switches the character-type locale for one test and puts the earlier one back.
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

TEST(Latin1Text, AsciiFormSpellsEveryLatin1ByteAndNoOther) {
    const std::pair<int, const char*> samples[] = {{0xEB, "e"},  {0xDF, "ss"},  {0xAB, "\""},
                                                   {0xA0, " "},  {0xA9, "(C)"}, {0xBD, "1/2"},
                                                   {0xDE, "TH"}, {0xD7, "x"},   {0xFF, "y"}};
    for (const auto& [byte, form] : samples) {
        EXPECT_STREQ(ascii_form(static_cast<unsigned char>(byte)), form) << "byte " << byte;
    }
    for (int byte = 0; byte <= 0xFF; ++byte) {
        EXPECT_EQ(*ascii_form(static_cast<unsigned char>(byte)) == '\0', byte < 0xA0) << byte;
    }
}

TEST(Latin1Text, ShownCharacterIsTheLetterWhereTheLocaleEncodesItElseOneAsciiLetter) {
    // The byte, then what is shown for it in a UTF-8 locale and in the plain C locale.
    const std::tuple<int, wchar_t, wchar_t> samples[] = {
        {'a', L'a', L'a'},  {0xEB, 0xEB, L'e'}, {0xA0, 0xA0, L' '}, {0xAB, 0xAB, L'"'},
        {0xDF, 0xDF, L'?'}, {0xA9, 0xA9, L'?'}, {0xFF, 0xFF, L'y'}, {0x85, L'?', L'?'},
    };
    for (const bool utf8 : {true, false}) {
        const ScopedCtypeLocale locale(utf8 ? "C.UTF-8" : "C");
        for (const auto& [byte, in_utf8, in_plain] : samples) {
            EXPECT_EQ(shown_character(static_cast<unsigned char>(byte)), utf8 ? in_utf8 : in_plain)
                << "byte " << byte << (utf8 ? " in C.UTF-8" : " in C");
        }
    }
}

// No key ever sends a colour code or another control byte.
TEST(Latin1Text, TypedCharacterBecomesGameBytes) {
    const ScopedCtypeLocale utf8("C.UTF-8");
    const std::pair<wchar_t, std::string> samples[] = {
        {L'a', "a"},    {L'~', "~"},   {0xEB, "\xEB"},  {0xA0, "\xA0"}, {0x85, ""},
        {0x80, ""},     {0x9F, ""},    {0x7F, ""},      {L'\n', ""},    {0x20AC, "EUR"},
        {0x1F600, "?"}, {0x0301, "?"}, {0x110000, "?"}, {-1, "?"},
    };
    for (const auto& [character, bytes] : samples) {
        EXPECT_EQ(game_bytes_for_typed(character), bytes) << "U+" << std::hex << character;
    }
    // A library's message in UTF-8: its letters and signs as typed ones, a malformed byte as '?'.
    const std::pair<std::string, std::string> messages[] = {
        {"Failed to execute \xE2\x80\x9C/usr/bin/sd\xE2\x80\x9D",
         "Failed to execute \"/usr/bin/sd\""},
        {"caf\xC3\xA9 \xE2\x82\xAC", "caf\xE9 EUR"},
        {"cut \xE2\x80", "cut ?"},
        {"\xFF\x85 bell\x07", "?? bell"},
    };
    for (const auto& [utf8, game] : messages) {
        EXPECT_EQ(game_text_from_utf8(utf8), game) << utf8;
    }
}

// A character typed as bytes is UTF-8 where they form one, whatever the locale; any other byte is
// one Latin-1 character.
TEST(Latin1Text, TypedBytesAreUtf8WhereTheyFormACharacterElseLatin1) {
    const struct {
        std::string bytes;
        char32_t character;
        std::size_t length;
        bool unfinished;
    } cases[] = {
        {"\xC3\xAB", 0xEB, 2, false}, {"\xE2\x82\xAC", 0x20AC, 3, false},
        {"\xC3", 0xC3, 1, true},      {"\xE2\x82", 0xE2, 1, true},
        {"\xE9t", 0xE9, 1, false},    {"\xC3\xC3", 0xC3, 1, false},
        {"\xC0\x80", 0xC0, 1, false}, {"\xED\xA0\x80", 0xED, 1, false},
        {"\xAB", 0xAB, 1, false},     {"a", 'a', 1, false},
    };
    for (const auto& typed : cases) {
        const TypedCharacter read = read_typed_character(typed.bytes);
        EXPECT_EQ(read.character, typed.character) << typed.bytes;
        EXPECT_EQ(read.length, typed.length) << typed.bytes;
        EXPECT_EQ(read.unfinished, typed.unfinished) << typed.bytes;
    }
}

}  // namespace
}  // namespace qvchat2gui
