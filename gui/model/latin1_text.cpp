#include "gui/model/latin1_text.h"

#include <iconv.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cwchar>
#include <iterator>

#include "gui/model/utf8_text.h"

namespace qvchat2gui {

namespace {

constexpr unsigned char FIRST_LATIN1 = 0xA0;
constexpr unsigned char LAST_LATIN1 = 0xFF;
constexpr wchar_t FIRST_PRINTABLE = 0x20;
constexpr wchar_t LAST_PRINTABLE = 0x7E;
constexpr char UNKNOWN = '?';
// Room for the longest transliteration the C library gives for one character.
constexpr std::size_t TRANSLITERATION_BYTES = 32;

// Indexed by byte - 0xA0: one row of sixteen per line.
constexpr std::array<const char*, LAST_LATIN1 - FIRST_LATIN1 + 1> ASCII_FORMS{
    " ", "!",  "c", "L", "$", "Y", "|",  "S", "\"", "(C)", "a", "\"", "!",   "-",   "(R)", "-",
    "o", "+-", "2", "3", "'", "u", "P",  ".", ",",  "1",   "o", "\"", "1/4", "1/2", "3/4", "?",
    "A", "A",  "A", "A", "A", "A", "AE", "C", "E",  "E",   "E", "E",  "I",   "I",   "I",   "I",
    "D", "N",  "O", "O", "O", "O", "O",  "x", "O",  "U",   "U", "U",  "U",   "Y",   "TH",  "ss",
    "a", "a",  "a", "a", "a", "a", "ae", "c", "e",  "e",   "e", "e",  "i",   "i",   "i",   "i",
    "d", "n",  "o", "o", "o", "o", "o",  "/", "o",  "u",   "u", "u",  "u",   "y",   "th",  "y",
};

bool is_printable_ascii(wchar_t character) {
    return character >= FIRST_PRINTABLE && character <= LAST_PRINTABLE;
}

bool is_latin1(wchar_t character) {
    return character >= FIRST_LATIN1 && character <= LAST_LATIN1;
}

bool locale_can_encode(wchar_t character) {
    std::array<char, MB_LEN_MAX> encoded{};
    std::mbstate_t state{};
    // NOLINTNEXTLINE(concurrency-mt-unsafe): with a state of its own it shares nothing
    return std::wcrtomb(encoded.data(), character, &state) != static_cast<std::size_t>(-1);
}

// The C library's ASCII spelling of the character in the current locale, printable bytes only;
// "?" when it has none. Typing is slow enough to open a converter for each key.
std::string transliterated(wchar_t character) {
    iconv_t converter = iconv_open("ASCII//TRANSLIT", "WCHAR_T");
    // NOLINTNEXTLINE(performance-no-int-to-ptr): iconv_open's own failure value
    if (converter == reinterpret_cast<iconv_t>(-1)) {
        return std::string(1, UNKNOWN);
    }
    std::array<char, TRANSLITERATION_BYTES> output{};
    wchar_t input = character;
    char* input_position = reinterpret_cast<char*>(&input);
    std::size_t input_left = sizeof input;
    char* output_position = output.data();
    std::size_t output_left = output.size();
    // On failure the bytes written so far are still the best there is.
    iconv(converter, &input_position, &input_left, &output_position, &output_left);
    iconv_close(converter);
    std::string kept;
    std::copy_if(output.data(), output_position, std::back_inserter(kept),
                 [](char byte) { return is_printable_ascii(byte); });
    return kept.empty() ? std::string(1, UNKNOWN) : kept;
}

}  // namespace

const char* ascii_form(unsigned char byte) {
    return is_latin1(byte) ? ASCII_FORMS[byte - FIRST_LATIN1] : "";
}

wchar_t shown_character(unsigned char byte) {
    if (is_printable_ascii(byte)) {
        return byte;
    }
    if (!is_latin1(byte)) {
        return UNKNOWN;
    }
    // Latin-1 is the first 256 code points of Unicode.
    const auto unicode = static_cast<wchar_t>(byte);
    if (locale_can_encode(unicode)) {
        return unicode;
    }
    const char* form = ascii_form(byte);
    return form[1] == '\0' ? form[0] : UNKNOWN;
}

std::string game_bytes_for_typed(wchar_t character) {
    if (is_printable_ascii(character) || is_latin1(character)) {
        return std::string(1, static_cast<char>(character));
    }
    if (character >= 0 && character < FIRST_LATIN1) {
        return "";
    }
    return transliterated(character);
}

std::string game_text_from_utf8(std::string_view utf8) {
    std::string text;
    while (!utf8.empty()) {
        const auto lead = static_cast<unsigned char>(utf8.front());
        if (lead < 0x80) {
            text += game_bytes_for_typed(static_cast<wchar_t>(lead));
            utf8.remove_prefix(1);
            continue;
        }
        const Utf8Read read = read_utf8(utf8);
        text += read.status == Utf8Read::Status::complete
                    ? game_bytes_for_typed(static_cast<wchar_t>(read.character))
                    : std::string(1, UNKNOWN);
        utf8.remove_prefix(std::min(read.length, utf8.size()));
    }
    return text;
}

}  // namespace qvchat2gui
