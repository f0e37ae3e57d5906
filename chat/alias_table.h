#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace qvchat2 {

// Bounds that keep the table and what it makes small, whatever the user or alias.txt hold.
constexpr std::size_t MAX_ALIASES = 200;
constexpr std::size_t MAX_ALIAS_NAME_BYTES = 32;
constexpr std::size_t MAX_ALIAS_TEXT_BYTES = 512;
// Aliases may call aliases; this many expansions of one typed line, and no more.
constexpr std::size_t MAX_ALIAS_STEPS = 10;

// What a typed line that calls an alias became: the line to interpret in its place, or, when
// `refusal` is not empty, why nothing is to be sent.
struct AliasExpansion {
    std::string line;
    std::string refusal;
};

// The user's aliases: "#NAME words" stands for a text in which $1 to $9 are the words typed
// after the name, $* all of them, $me the user's name and $$ a dollar sign. Names are kept in
// lower case; typed, they are matched without regard to case (ASCII letters). Not thread-safe.
class AliasTable {
public:
    // Lower case of `name` with a leading "#" dropped, or nothing when it cannot name an alias:
    // only letters, digits, "_" and "-", at most MAX_ALIAS_NAME_BYTES.
    static std::optional<std::string> normalized_name(const std::string& name);

    // Adds or replaces the alias; returns why it was refused, or an empty string.
    std::string define(const std::string& name, const std::string& text);
    // False when there was no such alias.
    bool remove(const std::string& name);
    std::optional<std::string> text_of(const std::string& name) const;
    // Names and texts, by name.
    std::vector<std::pair<std::string, std::string>> entries() const;
    std::vector<std::string> names() const;

    // What `line` ("#name words") stands for, through aliases that call aliases, or nothing when
    // it calls no alias ("##name" never does). Refused: an argument it uses that was not typed,
    // a line longer than `max_bytes`, more than MAX_ALIAS_STEPS expansions.
    std::optional<AliasExpansion> expand(const std::string& line, const std::string& own_name,
                                         std::size_t max_bytes) const;

    // One "NAME TEXT" a line, as alias.txt holds them.
    std::vector<std::string> to_lines() const;
    // Adds the aliases of such lines; returns those that could not be read, which are skipped.
    std::vector<std::string> from_lines(const std::vector<std::string>& lines);

private:
    std::map<std::string, std::string> texts_by_name;
};

}  // namespace qvchat2
