#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qvchat2 {

// The longest pattern of a trigger, in bytes (a regular expression with its slashes).
constexpr std::size_t MAX_TRIGGER_PATTERN_BYTES = 200;

// What a trigger does to a line it matches. None of it sends anything to the server: a trigger
// never types for the player.
struct TriggerEffects {
    std::optional<std::uint8_t> colour;  // the colour byte the line is shown in
    bool hide = false;                   // the line is not shown
    bool bell = false;                   // the terminal rings
    bool notify = false;                 // told outside the terminal
    bool pane = false;                   // shown in the pane of the lines for the user
    bool speak = false;                  // kept for speech: nothing takes it yet
};

// What the triggers that matched one line ask for, merged.
struct TriggerActions : TriggerEffects {
    // Lines to show the user: each trigger that was too costly for a line is named once a run.
    std::vector<std::string> notices;
};

// A trigger as typed after "#trigger ".
struct TriggerDefinition {
    std::string pattern;  // a regular expression between its slashes, else the word
    bool is_regex = false;
    TriggerEffects effects;
};

// Reads "/REGEX/ ACTION..." or "WORD ACTION...". The regular expression runs from the first '/'
// to the last '/' followed by a space or the end, so that it may hold spaces and slashes. The
// actions are "colour N" (or "color N"), hide, bell, notify, pane and speak, each at most once.
// Nothing, with what is accepted in `problem`, when it cannot be read; whether the regular
// expression compiles is not checked here.
std::optional<TriggerDefinition> parse_trigger(const std::string& typed, std::string& problem);

// The pattern as typed: a regular expression between its slashes, else the word.
std::string pattern_text(const TriggerDefinition& trigger);

// The trigger as parse_trigger reads it back, e.g. "/boss|raid/ colour 2 bell".
std::string trigger_text(const TriggerDefinition& trigger);

}  // namespace qvchat2
