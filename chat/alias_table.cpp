#include "chat/alias_table.h"

#include <algorithm>

#include "chat/command_argument.h"

namespace qvchat2 {

namespace {

bool is_name_byte(char byte) {
    return (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
           (byte >= '0' && byte <= '9') || byte == '_' || byte == '-';
}

// A line feed would split the alias in its file; other control bytes could not be typed.
bool is_control_byte(char byte) {
    const auto value = static_cast<unsigned char>(byte);
    return value < 0x20 || value == 0x7F;
}

// The first nine words of `text`: all that $1 to $9 can name.
std::vector<std::string> first_words(const std::string& text) {
    constexpr std::size_t MOST_WORDS = 9;
    std::vector<std::string> words;
    std::size_t start = text.find_first_not_of(' ');
    while (start != std::string::npos && words.size() < MOST_WORDS) {
        const std::size_t end = std::min(text.find(' ', start), text.size());
        words.push_back(text.substr(start, end - start));
        start = text.find_first_not_of(' ', end);
    }
    return words;
}

// The words as typed, without the spaces around them.
std::string trimmed(const std::string& text) {
    const std::size_t start = text.find_first_not_of(' ');
    if (start == std::string::npos) {
        return "";
    }
    return text.substr(start, text.find_last_not_of(' ') + 1 - start);
}

// The highest of $1 to $9 that `text` uses, as the substitution reads it.
std::size_t highest_argument(const std::string& text) {
    std::size_t highest = 0;
    for (std::size_t index = 0; index + 1 < text.size(); ++index) {
        if (text[index] != '$') {
            continue;
        }
        const char next = text[index + 1];
        if (next >= '1' && next <= '9') {
            highest = std::max<std::size_t>(highest, static_cast<std::size_t>(next - '0'));
        }
        ++index;  // "$$" is one dollar sign: what follows it is plain text
    }
    return highest;
}

// The text of alias `name` with the words after it put in, or why it cannot be.
AliasExpansion substituted(const std::string& name, const std::string& text,
                           const std::string& arguments, const std::string& own_name,
                           std::size_t max_bytes) {
    const std::vector<std::string> words = first_words(arguments);
    const std::size_t needed = highest_argument(text);
    if (words.size() < needed) {
        return {"", "#" + name + " needs " + std::to_string(needed) +
                        (needed == 1 ? " word" : " words") + " after it, as it uses $" +
                        std::to_string(needed) + "; nothing was sent."};
    }
    const std::string all_words = trimmed(arguments);
    std::string line;
    for (std::size_t index = 0; index < text.size() && line.size() <= max_bytes; ++index) {
        const char next = index + 1 < text.size() ? text[index + 1] : '\0';
        if (text[index] != '$') {
            line += text[index];
        } else if (next >= '1' && next <= '9') {
            line += words[static_cast<std::size_t>(next - '1')];
            ++index;
        } else if (next == '*') {
            line += all_words;
            ++index;
        } else if (next == '$') {
            line += '$';
            ++index;
        } else if (text.compare(index + 1, 2, "me") == 0) {
            line += own_name;
            index += 2;
        } else {
            line += '$';
        }
    }
    if (line.size() > max_bytes) {
        return {"", "#" + name + " makes a line of more than " + std::to_string(max_bytes) +
                        " bytes, more than a message holds; nothing was sent."};
    }
    return {line, ""};
}

}  // namespace

std::optional<std::string> AliasTable::normalized_name(const std::string& name) {
    if (name.empty() || name.size() > MAX_ALIAS_NAME_BYTES ||
        !std::all_of(name.begin(), name.end(), is_name_byte)) {
        return std::nullopt;
    }
    std::string lower = name;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](char byte) {
        return byte >= 'A' && byte <= 'Z' ? static_cast<char>(byte - 'A' + 'a') : byte;
    });
    return lower;
}

std::string AliasTable::define(const std::string& name, const std::string& text) {
    const std::optional<std::string> key = normalized_name(name);
    if (!key) {
        return "An alias's name has only letters, digits, _ and -, at most " +
               std::to_string(MAX_ALIAS_NAME_BYTES) + " bytes.";
    }
    if (text.empty()) {
        return "#" + *key + " needs a text to stand for.";
    }
    if (text.size() > MAX_ALIAS_TEXT_BYTES) {
        return "An alias's text is at most " + std::to_string(MAX_ALIAS_TEXT_BYTES) +
               " bytes; this one has " + std::to_string(text.size()) + ".";
    }
    if (std::any_of(text.begin(), text.end(), is_control_byte)) {
        return "An alias's text cannot hold control characters.";
    }
    if (texts_by_name.count(*key) == 0 && texts_by_name.size() >= MAX_ALIASES) {
        return "There can be at most " + std::to_string(MAX_ALIASES) +
               " aliases; #unalias one first.";
    }
    texts_by_name[*key] = text;
    return "";
}

bool AliasTable::remove(const std::string& name) {
    const std::optional<std::string> key = normalized_name(name);
    return key && texts_by_name.erase(*key) > 0;
}

std::optional<std::string> AliasTable::text_of(const std::string& name) const {
    const std::optional<std::string> key = normalized_name(name);
    if (!key) {
        return std::nullopt;
    }
    const auto found = texts_by_name.find(*key);
    if (found == texts_by_name.end()) {
        return std::nullopt;
    }
    return found->second;
}

std::vector<std::pair<std::string, std::string>> AliasTable::entries() const {
    return {texts_by_name.begin(), texts_by_name.end()};
}

std::vector<std::string> AliasTable::names() const {
    std::vector<std::string> names;
    names.reserve(texts_by_name.size());
    for (const auto& entry : texts_by_name) {
        names.push_back(entry.first);
    }
    return names;
}

std::optional<AliasExpansion> AliasTable::expand(const std::string& line,
                                                 const std::string& own_name,
                                                 std::size_t max_bytes) const {
    // The alias a line calls: "#name", then nothing or a space; "##name" is for the game.
    const auto called = [this](const std::string& typed) -> std::optional<std::string> {
        if (typed.size() < 2 || typed[0] != '#') {
            return std::nullopt;
        }
        const std::optional<std::string> key =
            normalized_name(typed.substr(1, typed.find(' ') - 1));
        return key && texts_by_name.count(*key) > 0 ? key : std::nullopt;
    };
    std::optional<std::string> name = called(line);
    if (!name) {
        return std::nullopt;
    }
    const std::string typed_name = *name;
    std::string current = line;
    for (std::size_t step = 0; step < MAX_ALIAS_STEPS; ++step) {
        const std::size_t space = current.find(' ');
        const std::string arguments = space == std::string::npos ? "" : current.substr(space + 1);
        AliasExpansion expanded =
            substituted(*name, texts_by_name.at(*name), arguments, own_name, max_bytes);
        name = called(expanded.line);
        if (!expanded.refusal.empty() || !name) {
            return expanded;
        }
        current = std::move(expanded.line);
    }
    return AliasExpansion{"", "#" + typed_name + " stops after " + std::to_string(MAX_ALIAS_STEPS) +
                                  " steps: an alias that calls itself; nothing was sent."};
}

std::vector<std::string> AliasTable::to_lines() const {
    std::vector<std::string> lines;
    lines.reserve(texts_by_name.size());
    for (const auto& [name, text] : texts_by_name) {
        lines.push_back(name);
        lines.back().append(" ").append(text);
    }
    return lines;
}

std::vector<std::string> AliasTable::from_lines(const std::vector<std::string>& lines) {
    std::vector<std::string> unreadable;
    for (const std::string& line : lines) {
        const auto [name, text] = first_word(line);
        if (!define(name, text).empty()) {
            unreadable.push_back(line);
        }
    }
    return unreadable;
}

}  // namespace qvchat2
