#include "gui/model/links.h"

#include <algorithm>
#include <cstdint>

namespace qvchat2gui {

namespace {

constexpr std::string_view URL_STARTS[] = {"http://", "https://", "www."};
constexpr std::string_view TRAILING_PUNCTUATION = ".,;:!?'\"";
// What ends the word a URL is in: a space, a tab or a line break.
constexpr std::string_view WORD_ENDS = " \t\r\n";

// Where the word that starts at `start` ends.
std::size_t word_end(std::string_view text, std::size_t start) {
    return std::min(text.find_first_of(WORD_ENDS, start), text.size());
}

unsigned char lower_ascii(char byte) {
    const auto value = static_cast<unsigned char>(byte);
    return (value >= 'A' && value <= 'Z') ? static_cast<unsigned char>(value + ('a' - 'A')) : value;
}

bool starts_with_ignoring_case(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(), [](char wanted, char byte) {
               return lower_ascii(byte) == static_cast<unsigned char>(wanted);
           });
}

bool is_letter_or_digit(char byte) {
    const auto value = static_cast<unsigned char>(byte);
    const unsigned char lower = lower_ascii(byte);
    return (lower >= 'a' && lower <= 'z') || (value >= '0' && value <= '9') ||
           (value >= 0xC0 && value != 0xD7 && value != 0xF7) || value == 0xAA || value == 0xB5 ||
           value == 0xBA;
}

bool is_printable_ascii(char byte) {
    return byte >= 0x21 && byte <= 0x7E;
}

// Whether the text may hold a URL at all: "://" or "www." in some case.
bool may_hold_url(std::string_view text) {
    if (text.find("://") != std::string_view::npos) {
        return true;
    }
    for (std::size_t dot = text.find('.', 3); dot != std::string_view::npos;
         dot = text.find('.', dot + 1)) {
        if (starts_with_ignoring_case(text.substr(dot - 3), "www.")) {
            return true;
        }
    }
    return false;
}

// How long the URL starting at `start` is, if one does: 0 when none.
std::size_t url_length_at(std::string_view text, std::size_t start) {
    if (start > 0 && is_letter_or_digit(text[start - 1])) {
        return 0;
    }
    const std::string_view rest = text.substr(start);
    const auto* url_start = std::find_if(
        std::begin(URL_STARTS), std::end(URL_STARTS),
        [&](std::string_view prefix) { return starts_with_ignoring_case(rest, prefix); });
    if (url_start == std::end(URL_STARTS)) {
        return 0;
    }
    std::size_t length = word_end(rest, 0);
    long open_parentheses = std::count(rest.begin(), rest.begin() + length, '(');
    long close_parentheses = std::count(rest.begin(), rest.begin() + length, ')');
    long open_brackets = std::count(rest.begin(), rest.begin() + length, '[');
    long close_brackets = std::count(rest.begin(), rest.begin() + length, ']');
    while (length > 0) {
        const char last = rest[length - 1];
        if (TRAILING_PUNCTUATION.find(last) != std::string_view::npos) {
            --length;
        } else if (last == ')' && close_parentheses > open_parentheses) {
            --close_parentheses;
            --length;
        } else if (last == ']' && close_brackets > open_brackets) {
            --close_brackets;
            --length;
        } else {
            break;
        }
    }
    if (length <= url_start->size() ||
        !std::all_of(rest.begin(), rest.begin() + length, is_printable_ascii)) {
        return 0;
    }
    return length;
}

}  // namespace

std::vector<MatchRange> find_urls(std::string_view text) {
    std::vector<MatchRange> urls;
    if (!may_hold_url(text)) {
        return urls;
    }
    std::size_t position = 0;
    while (position < text.size()) {
        const std::size_t length = url_length_at(text, position);
        if (length > 0) {
            urls.push_back({position, position + length});
        }
        if (length > 0 || starts_with_ignoring_case(text.substr(position), "http") ||
            starts_with_ignoring_case(text.substr(position), "www.")) {
            // A word that starts like a URL, taken or not, is one word up to its end.
            position = word_end(text, position);
        } else {
            ++position;
        }
    }
    return urls;
}

std::string link_target(std::string_view url) {
    if (starts_with_ignoring_case(url, "www.")) {
        return "http://" + std::string(url);
    }
    return std::string(url);
}

std::string hyperlink_open(std::string_view target) {
    if (target.empty() || !std::all_of(target.begin(), target.end(), is_printable_ascii)) {
        return "";
    }
    return "\x1b]8;;" + std::string(target) + "\x1b\\";
}

std::string hyperlink_close() {
    return "\x1b]8;;\x1b\\";
}

std::string clipboard_sequence(std::string_view text) {
    return "\x1b]52;c;" + base64_encode(text) + "\x07";
}

std::string base64_encode(std::string_view bytes) {
    static constexpr char ALPHABET[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string encoded;
    encoded.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t offset = 0; offset < bytes.size(); offset += 3) {
        const std::size_t taken = std::min<std::size_t>(3, bytes.size() - offset);
        std::uint32_t group = 0;
        for (std::size_t i = 0; i < 3; ++i) {
            const auto byte = i < taken ? static_cast<unsigned char>(bytes[offset + i]) : 0U;
            group = (group << 8U) | byte;
        }
        for (std::size_t i = 0; i < 4; ++i) {
            encoded += i <= taken ? ALPHABET[(group >> (18U - 6U * i)) & 0x3FU] : '=';
        }
    }
    return encoded;
}

void RecentUrls::note_line(std::string_view text) {
    const std::vector<MatchRange> found = find_urls(text);
    if (found.empty()) {
        return;
    }
    const std::lock_guard<std::mutex> lock(urls_lock);
    for (const MatchRange& range : found) {
        const std::string_view url = text.substr(range.begin, range.end - range.begin);
        const auto seen = std::find(urls.begin(), urls.end(), url);
        if (seen != urls.end()) {
            urls.erase(seen);
        }
        urls.emplace_front(url);
        if (urls.size() > CAPACITY) {
            urls.pop_back();
        }
    }
}

std::vector<std::string> RecentUrls::newest(std::size_t count) const {
    const std::lock_guard<std::mutex> lock(urls_lock);
    return {urls.begin(), urls.begin() + static_cast<long>(std::min(count, urls.size()))};
}

}  // namespace qvchat2gui
