#include "gui/model/spoken_text.h"

#include <optional>
#include <utility>

#include "gui/model/text_wrap.h"

namespace qvchat2gui {

namespace {

constexpr unsigned char FIRST_LATIN1_SIGN = 0xA0;
constexpr unsigned char NO_BREAK_SPACE = 0xA0;
constexpr unsigned char DELETE_BYTE = 0x7F;

void append_space(std::string& words) {
    if (!words.empty() && words.back() != ' ') {
        words += ' ';
    }
}

// The parts of a shown line between a start and an end that mark its kind, or nothing.
std::optional<std::string_view> between(std::string_view line, std::string_view start,
                                        std::string_view end) {
    if (line.size() < start.size() + end.size() || line.substr(0, start.size()) != start ||
        line.substr(line.size() - end.size()) != end) {
        return std::nullopt;
    }
    return line.substr(start.size(), line.size() - start.size() - end.size());
}

// "name: message" split at the first ": ".
std::optional<std::pair<std::string_view, std::string_view>> name_and_message(
    std::string_view text) {
    const std::size_t colon = text.find(": ");
    if (colon == std::string_view::npos || colon == 0) {
        return std::nullopt;
    }
    return std::pair{text.substr(0, colon), text.substr(colon + 2)};
}

std::string said(std::string_view who, std::string_view how, std::string_view message) {
    std::string words = spoken_words(who);
    words += how;
    words += ": ";
    words += spoken_words(message);
    return words;
}

}  // namespace

std::string spoken_words(std::string_view game_text) {
    std::string words;
    words.reserve(game_text.size());
    for (const char byte : game_text) {
        const auto code = static_cast<unsigned char>(byte);
        if (code == ' ' || code == NO_BREAK_SPACE || is_newline(byte) || code == '\t') {
            append_space(words);
        } else if (code > ' ' && code < DELETE_BYTE) {
            words += byte;
        } else if (code >= FIRST_LATIN1_SIGN) {
            // The Latin-1 letter as the UTF-8 character it is.
            words += static_cast<char>(0xC0 | (code >> 6));
            words += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    if (!words.empty() && words.back() == ' ') {
        words.pop_back();
    }
    if (!words.empty() && words.front() == ' ') {
        words.erase(0, 1);
    }
    return words;
}

std::string spoken_shown_line(std::string_view shown_line) {
    // A colour before the line says its kind on screen; the words say it instead.
    while (!shown_line.empty() &&
           (static_cast<unsigned char>(shown_line.front()) < ' ' ||
            (static_cast<unsigned char>(shown_line.front()) >= DELETE_BYTE &&
             static_cast<unsigned char>(shown_line.front()) < FIRST_LATIN1_SIGN))) {
        shown_line.remove_prefix(1);
    }
    if (const auto received = between(shown_line, "[PM from ", "]")) {
        if (const auto parts = name_and_message(*received)) {
            return said(parts->first, ", private", parts->second);
        }
    }
    if (const auto sent = between(shown_line, "[PM to ", "]")) {
        if (const auto parts = name_and_message(*sent)) {
            return said("to " + std::string(parts->first), ", private", parts->second);
        }
    }
    if (const auto gm = between(shown_line, "#GM from ", "")) {
        if (const auto parts = name_and_message(*gm)) {
            return said("GM " + std::string(parts->first), "", parts->second);
        }
    }
    if (shown_line.substr(0, 1) == "[") {
        const std::size_t close = shown_line.find("]: ");
        if (close != std::string_view::npos) {
            const std::string_view sender = shown_line.substr(1, close - 1);
            const std::string_view message = shown_line.substr(close + 3);
            const std::size_t at = sender.rfind(" @ ");
            if (at == std::string_view::npos) {
                return said(sender, "", message);
            }
            return said(sender.substr(0, at), " on " + std::string(sender.substr(at + 3)), message);
        }
    }
    return spoken_words(shown_line);
}

}  // namespace qvchat2gui
