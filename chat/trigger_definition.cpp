#include "chat/trigger_definition.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <utility>

#include "gui/model/chat_text.h"

namespace qvchat2 {

namespace {

constexpr char ACCEPTED_ACTIONS[] = "colour N, hide, bell, notify, pane and speak";
// An unknown word quoted back is cut to this many bytes.
constexpr std::size_t QUOTED_WORD_BYTES = 30;

struct ColourName {
    const char* name;
    std::uint8_t byte;
};

// The colour bytes the screen shows in a colour of their own, by name; 2, 9 and 16 are yellow
// too but have no name of their own.
constexpr std::array<ColourName, 7> COLOUR_NAMES{{
    {"white", qvchat2gui::DEFAULT_COLOR},
    {"yellow", 23},
    {"magenta", qvchat2gui::PM_COLOR},
    {"green", qvchat2gui::SERVER_COLOR},
    {"grey", qvchat2gui::OFF_CHANNEL_COLOR},
    {"gray", qvchat2gui::OFF_CHANNEL_COLOR},
    {"blue", qvchat2gui::GM_COLOR},
}};
constexpr std::array<std::uint8_t, 9> COLOUR_BYTES{0, 2, 9, 16, 23, 7, 17, 20, 25};

std::string folded_ascii(std::string_view word) {
    std::string folded(word);
    std::transform(folded.begin(), folded.end(), folded.begin(), [](char byte) {
        return byte >= 'A' && byte <= 'Z' ? static_cast<char>(byte - 'A' + 'a') : byte;
    });
    return folded;
}

std::optional<std::uint8_t> colour_byte(std::string_view word) {
    const std::string folded = folded_ascii(word);
    for (const ColourName& colour : COLOUR_NAMES) {
        if (folded == colour.name) {
            return colour.byte;
        }
    }
    for (const std::uint8_t byte : COLOUR_BYTES) {
        if (folded == std::to_string(byte)) {
            return byte;
        }
    }
    return std::nullopt;
}

std::string colour_word(std::uint8_t byte) {
    for (const ColourName& colour : COLOUR_NAMES) {
        if (colour.byte == byte) {
            return colour.name;
        }
    }
    return std::to_string(byte);
}

std::string quoted(std::string_view word) {
    const bool cut = word.size() > QUOTED_WORD_BYTES;
    return "\"" + std::string(word.substr(0, QUOTED_WORD_BYTES)) + (cut ? "...\"" : "\"");
}

// The words of `text`, split at spaces.
std::vector<std::string_view> words_of(std::string_view text) {
    std::vector<std::string_view> words;
    std::size_t start = text.find_first_not_of(' ');
    while (start != std::string_view::npos) {
        const std::size_t end = std::min(text.find(' ', start), text.size());
        words.push_back(text.substr(start, end - start));
        start = text.find_first_not_of(' ', end);
    }
    return words;
}

// Where the regular expression of "/REGEX/ ACTION..." ends: the last '/' after the first that is
// followed by a space or the end; npos when there is none.
std::size_t closing_slash(std::string_view text) {
    for (std::size_t slash = text.rfind('/'); slash != std::string_view::npos && slash > 0;
         slash = text.rfind('/', slash - 1)) {
        if (slash + 1 == text.size() || text[slash + 1] == ' ') {
            return slash;
        }
    }
    return std::string_view::npos;
}

bool* flag_named(TriggerEffects& effects, std::string_view word) {
    const std::pair<const char*, bool*> flags[] = {
        {"hide", &effects.hide}, {"bell", &effects.bell},   {"notify", &effects.notify},
        {"pane", &effects.pane}, {"speak", &effects.speak},
    };
    for (const auto& [name, flag] : flags) {
        if (word == name) {
            return flag;
        }
    }
    return nullptr;
}

// Reads the actions into `effects`; false, with the reason in `problem`, when they cannot be.
bool read_actions(const std::vector<std::string_view>& words, TriggerEffects& effects,
                  std::string& problem) {
    if (words.empty()) {
        problem = "A trigger needs at least one action: " + std::string(ACCEPTED_ACTIONS) + ".";
        return false;
    }
    for (std::size_t index = 0; index < words.size(); ++index) {
        const std::string action = folded_ascii(words[index]);
        if (action == "colour" || action == "color") {
            const std::optional<std::uint8_t> byte =
                index + 1 < words.size() ? colour_byte(words[index + 1]) : std::nullopt;
            if (!byte) {
                problem =
                    "colour takes one of 0, 2, 9, 16, 23, 7, 17, 20 and 25, or white, yellow, "
                    "magenta, green, grey and blue.";
                return false;
            }
            if (effects.colour) {
                problem = "colour is given twice; each action is given at most once.";
                return false;
            }
            effects.colour = byte;
            ++index;
            continue;
        }
        bool* flag = flag_named(effects, action);
        if (flag == nullptr) {
            problem = quoted(words[index]) + " is not an action; the actions are " +
                      ACCEPTED_ACTIONS + ".";
            return false;
        }
        if (*flag) {
            problem = action + " is given twice; each action is given at most once.";
            return false;
        }
        *flag = true;
    }
    return true;
}

}  // namespace

std::optional<TriggerDefinition> parse_trigger(const std::string& typed, std::string& problem) {
    const std::string_view text = typed;
    // Checked before anything is quoted back: the text may hold a terminal's escape sequence.
    if (std::any_of(text.begin(), text.end(), qvchat2gui::is_control_character)) {
        problem = "A trigger holds no control or colour bytes.";
        return std::nullopt;
    }
    const std::size_t start = text.find_first_not_of(' ');
    if (start == std::string_view::npos) {
        problem = "Usage: #trigger /REGEX/ ACTION... or #trigger WORD ACTION...; the actions are " +
                  std::string(ACCEPTED_ACTIONS) + ".";
        return std::nullopt;
    }
    const std::string_view rest = text.substr(start);
    TriggerDefinition trigger;
    std::size_t pattern_end = 0;  // in `rest`, past the pattern as typed
    const std::size_t slash = rest.front() == '/' ? closing_slash(rest) : std::string_view::npos;
    if (slash != std::string_view::npos && slash > 1) {
        trigger.is_regex = true;
        trigger.pattern = std::string(rest.substr(1, slash - 1));
        pattern_end = slash + 1;
    } else {
        pattern_end = std::min(rest.find(' '), rest.size());
        trigger.pattern = std::string(rest.substr(0, pattern_end));
    }
    if (pattern_end > MAX_TRIGGER_PATTERN_BYTES) {
        problem = "A trigger's pattern can be at most " +
                  std::to_string(MAX_TRIGGER_PATTERN_BYTES) + " bytes long.";
        return std::nullopt;
    }
    if (!read_actions(words_of(rest.substr(pattern_end)), trigger.effects, problem)) {
        return std::nullopt;
    }
    return trigger;
}

std::string pattern_text(const TriggerDefinition& trigger) {
    return trigger.is_regex ? "/" + trigger.pattern + "/" : trigger.pattern;
}

std::string trigger_text(const TriggerDefinition& trigger) {
    std::string text = pattern_text(trigger);
    const TriggerEffects& effects = trigger.effects;
    if (effects.colour) {
        text += " colour " + colour_word(*effects.colour);
    }
    const std::pair<const char*, bool> flags[] = {
        {"hide", effects.hide}, {"bell", effects.bell},   {"notify", effects.notify},
        {"pane", effects.pane}, {"speak", effects.speak},
    };
    for (const auto& [name, given] : flags) {
        if (given) {
            text += std::string(" ") + name;
        }
    }
    return text;
}

}  // namespace qvchat2
