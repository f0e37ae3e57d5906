#include "gui/spelling/spelling_words.h"

#include <algorithm>

namespace qvchat2gui {

namespace {

constexpr unsigned char MULTIPLICATION_SIGN = 0xD7;
constexpr unsigned char DIVISION_SIGN = 0xF7;
constexpr unsigned char FIRST_LATIN1_LETTER = 0xC0;

bool is_ascii_digit(unsigned char byte) {
    return byte >= '0' && byte <= '9';
}

// A byte that keeps a run together but makes it no word to check.
bool is_word_breaker(unsigned char byte) {
    return is_ascii_digit(byte) || byte == '_';
}

bool is_joiner(unsigned char byte) {
    return byte == '\'' || byte == '-';
}

bool is_run_byte(unsigned char byte) {
    return is_word_letter(byte) || is_word_breaker(byte);
}

unsigned char byte_at(std::string_view text, std::size_t index) {
    return static_cast<unsigned char>(text[index]);
}

// One past the run of letters, digits and inner joiners that starts at `begin`.
std::size_t run_end(std::string_view text, std::size_t begin) {
    std::size_t end = begin;
    while (end < text.size()) {
        if (is_run_byte(byte_at(text, end))) {
            ++end;
        } else if (is_joiner(byte_at(text, end)) && end + 1 < text.size() &&
                   is_run_byte(byte_at(text, end + 1))) {
            end += 2;
        } else {
            break;
        }
    }
    return end;
}

bool holds_word_breaker(std::string_view run) {
    for (const char character : run) {
        if (is_word_breaker(static_cast<unsigned char>(character))) {
            return true;
        }
    }
    return false;
}

bool is_link(std::string_view chunk) {
    return chunk.find("://") != std::string_view::npos || chunk.substr(0, 4) == "www." ||
           chunk.substr(0, 4) == "WWW.";
}

// Where the words start: after the command word or the private message's name.
std::size_t first_checked_byte(std::string_view line) {
    if (!line.empty() && (line.front() == '#' || line.front() == '/')) {
        return std::min(line.find(' '), line.size());
    }
    return 0;
}

void add_words_of_chunk(std::string_view line, std::size_t begin, std::size_t end,
                        std::vector<MatchRange>& words) {
    std::size_t at = begin;
    while (at < end) {
        if (!is_run_byte(byte_at(line, at))) {
            ++at;
            continue;
        }
        const std::size_t stop = std::min(run_end(line, at), end);
        if (!holds_word_breaker(line.substr(at, stop - at))) {
            words.push_back({at, stop});
        }
        at = stop;
    }
}

}  // namespace

bool is_word_letter(unsigned char byte) {
    return (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
           (byte >= FIRST_LATIN1_LETTER && byte != MULTIPLICATION_SIGN && byte != DIVISION_SIGN);
}

bool is_single_word(std::string_view text) {
    return !text.empty() && is_word_letter(byte_at(text, 0)) && run_end(text, 0) == text.size() &&
           !holds_word_breaker(text);
}

std::vector<MatchRange> checkable_words(std::string_view line) {
    std::vector<MatchRange> words;
    std::size_t at = first_checked_byte(line);
    while (at < line.size()) {
        if (line[at] == ' ') {
            ++at;
            continue;
        }
        const std::size_t chunk_end = std::min(line.find(' ', at), line.size());
        if (!is_link(line.substr(at, chunk_end - at))) {
            add_words_of_chunk(line, at, chunk_end, words);
        }
        at = chunk_end;
    }
    return words;
}

}  // namespace qvchat2gui
