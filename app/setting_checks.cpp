#include "app/setting_checks.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "app/display_options.h"
#include "app/log_backlog.h"
#include "app/setting_defaults.h"
#include "gui/model/display_settings.h"
#include "gui/spelling/dictionary_name.h"

namespace qvchat2 {

namespace {

// The screen's switches fall back to the defaults their reader uses.
constexpr qvchat2gui::DisplaySettings DISPLAY_DEFAULTS{};

constexpr const char* switch_text(bool on) {
    return on ? "1" : "0";
}

enum class Kind {
    text,         // any text
    own_number,   // a number its reader checks
    zero_or_one,  // a switch
    minutes,      // a whole number from 0 to 65535
    lines,        // a whole number from MIN_SCROLLBACK to MAX_SCROLLBACK, else not used at all
    records,      // a whole number from 0 to MOST_BACKLOG_RECORDS
    notify_mode,  // auto, osc777, osc9, bell or off
    pane_rows,    // a whole number from 0 to MOST_PANE_ROWS
    dictionary,   // 0, 1 or a dictionary's name
    speech_rate,  // a whole number from -100 to 100
};

constexpr SettingEffect AT_ONCE = SettingEffect::at_once;
constexpr SettingEffect NEXT_START = SettingEffect::next_start;

struct KnownSetting {
    const char* key;
    Kind kind;
    const char* used_instead;  // for a value the setting cannot take: the reader's default
    const char* default_text;
    SettingEffect effect;
};

constexpr std::array<KnownSetting, 21> KNOWN_SETTINGS{{
    {"username", Kind::text, "", "(asked at start)", NEXT_START},
    {"password", Kind::text, "", "(asked at start)", NEXT_START},
    {"log_chat", Kind::own_number, "", "1", NEXT_START},
    {"afk_message", Kind::text, "", DEFAULT_AFK_MESSAGE, AT_ONCE},
    {"afk_local", Kind::zero_or_one, "0", "0", AT_ONCE},
    {"auto_afk_time", Kind::minutes, "5", "5", AT_ONCE},
    // Not the default: a value that cannot be read may well have meant "no", and the lines typed
    // are not to be kept against the user's wish.
    {"save_history", Kind::zero_or_one, "0", "1", AT_ONCE},
    {"bell", Kind::zero_or_one, switch_text(DISPLAY_DEFAULTS.bell),
     switch_text(DISPLAY_DEFAULTS.bell), AT_ONCE},
    {"mouse", Kind::zero_or_one, switch_text(DISPLAY_DEFAULTS.mouse),
     switch_text(DISPLAY_DEFAULTS.mouse), AT_ONCE},
    {"timestamps", Kind::zero_or_one, switch_text(DISPLAY_DEFAULTS.timestamps),
     switch_text(DISPLAY_DEFAULTS.timestamps), AT_ONCE},
    {"reconnect", Kind::zero_or_one, "1", "1", AT_ONCE},
    {"scrollback", Kind::lines, "1000 display rows", "(1000 display rows)", AT_ONCE},
    // Read once, for the lines shown at start.
    {"backlog", Kind::records, "20", "20", NEXT_START},
    {"notify", Kind::notify_mode, "auto", "auto", AT_ONCE},
    {"notify_command", Kind::text, "", "(none)", AT_ONCE},
    {"reader", Kind::zero_or_one, "0", "0", NEXT_START},
    {"pane", Kind::pane_rows, "0", "0", AT_ONCE},
    {"fold_repeats", Kind::zero_or_one, switch_text(DISPLAY_DEFAULTS.fold_repeats),
     switch_text(DISPLAY_DEFAULTS.fold_repeats), AT_ONCE},
    {"spell", Kind::dictionary, "0", "0", AT_ONCE},
    {"speech", Kind::zero_or_one, "0", "0", AT_ONCE},
    {"speech_rate", Kind::speech_rate, "0", "0", AT_ONCE},
}};

constexpr std::size_t MAX_TYPO_EDITS = 2;
constexpr std::size_t MAX_MINUTES_DIGITS = 5;
constexpr std::size_t MAX_PANE_DIGITS = 2;
constexpr unsigned long MAX_MINUTES = 65535;
constexpr std::size_t MAX_SCROLLBACK_DIGITS = 7;
constexpr unsigned long MOST_SPEECH_RATE = 100;
constexpr std::size_t MAX_SPEECH_RATE_DIGITS = 3;

// A warning shows this much of a value; a whole line could be pasted there.
constexpr std::size_t MAX_SHOWN_BYTES = 60;

const KnownSetting* known_setting(const std::string& key) {
    const auto found = std::find_if(KNOWN_SETTINGS.begin(), KNOWN_SETTINGS.end(),
                                    [&key](const KnownSetting& known) { return key == known.key; });
    return found == KNOWN_SETTINGS.end() ? nullptr : &*found;
}

// A whole number from `lowest` to `highest`, written in at most `max_digits` digits after any
// leading zeros.
bool is_whole_number_within(const std::string& value, unsigned long lowest, unsigned long highest,
                            std::size_t max_digits) {
    if (value.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    const std::string digits = value.substr(std::min(value.find_first_not_of('0'), value.size()));
    if (digits.size() > max_digits) {
        return false;
    }
    const unsigned long number = digits.empty() ? 0 : std::stoul(digits);
    return number >= lowest && number <= highest;
}

bool is_speech_rate(const std::string& value) {
    const std::string magnitude = !value.empty() && value.front() == '-' ? value.substr(1) : value;
    return !magnitude.empty() &&
           is_whole_number_within(magnitude, 0, MOST_SPEECH_RATE, MAX_SPEECH_RATE_DIGITS);
}

bool is_number(Kind kind) {
    return kind == Kind::minutes || kind == Kind::lines || kind == Kind::records ||
           kind == Kind::pane_rows || kind == Kind::own_number;
}

// A number at the start of a value and the text after it.
struct LeadingNumber {
    std::string digits;
    std::string rest;
};

// The number at the start of `value`, as a setting's number is read ("10 min" is 10; a "+" before
// the digits is the number's sign); nothing when it starts with no number.
std::optional<LeadingNumber> leading_number(const std::string& value) {
    const std::size_t start = !value.empty() && value.front() == '+' ? 1 : 0;
    const std::size_t end = std::min(value.find_first_not_of("0123456789", start), value.size());
    if (end == start) {
        return std::nullopt;
    }
    return LeadingNumber{value.substr(start, end - start), value.substr(end)};
}

// What the setting must be, or nothing when `value` is one it can take.
const char* requirement(const KnownSetting& setting, const std::string& value) {
    switch (setting.kind) {
        case Kind::zero_or_one:
            return value == "0" || value == "1" ? nullptr : "must be 0 or 1";
        case Kind::minutes:
            return is_whole_number_within(value, 0, MAX_MINUTES, MAX_MINUTES_DIGITS)
                       ? nullptr
                       : "must be a whole number of minutes from 0 to 65535";
        case Kind::lines:
            return is_whole_number_within(value, static_cast<unsigned long>(MIN_SCROLLBACK),
                                          static_cast<unsigned long>(MAX_SCROLLBACK),
                                          MAX_SCROLLBACK_DIGITS)
                       ? nullptr
                       : "must be a whole number of lines from 100 to 1000000";
        case Kind::records:
            return is_whole_number_within(value, 0, MOST_BACKLOG_RECORDS, MAX_MINUTES_DIGITS)
                       ? nullptr
                       : "must be a whole number of records from 0 to 1000";
        case Kind::notify_mode:
            return qvchat2gui::notify_mode_named(value) ? nullptr
                                                        : "must be auto, osc777, osc9, bell or off";
        case Kind::pane_rows:
            return is_whole_number_within(value, 0, qvchat2gui::MOST_PANE_ROWS, MAX_PANE_DIGITS)
                       ? nullptr
                       : "must be a whole number of rows from 0 to 20";
        case Kind::dictionary:
            return qvchat2gui::is_dictionary_name(value)
                       ? nullptr
                       : "must be 0, 1 (the language of the locale) or a dictionary's name such as "
                         "en_US";
        case Kind::speech_rate:
            return is_speech_rate(value) ? nullptr : "must be a whole number from -100 to 100";
        case Kind::text:
        case Kind::own_number:
            break;
    }
    return nullptr;
}

// Edits (insertions, deletions, replacements) that turn `from` into `to`, or more than `limit`
// once that many are certain.
std::size_t edit_distance(const std::string& from, const std::string& to, std::size_t limit) {
    const std::size_t length_gap =
        from.size() > to.size() ? from.size() - to.size() : to.size() - from.size();
    if (length_gap > limit) {
        return limit + 1;
    }
    std::vector<std::size_t> previous(to.size() + 1);
    std::vector<std::size_t> current(to.size() + 1);
    for (std::size_t column = 0; column <= to.size(); ++column) {
        previous[column] = column;
    }
    for (std::size_t row = 1; row <= from.size(); ++row) {
        current[0] = row;
        for (std::size_t column = 1; column <= to.size(); ++column) {
            const std::size_t replace =
                previous[column - 1] + (from[row - 1] == to[column - 1] ? 0 : 1);
            current[column] = std::min({previous[column] + 1, current[column - 1] + 1, replace});
        }
        std::swap(previous, current);
    }
    return previous[to.size()];
}

// The known setting closest to `key`, if one is within MAX_TYPO_EDITS.
const KnownSetting* likely_meant(const std::string& key) {
    const KnownSetting* closest = nullptr;
    std::size_t fewest = MAX_TYPO_EDITS + 1;
    for (const KnownSetting& known : KNOWN_SETTINGS) {
        const std::size_t edits = edit_distance(key, known.key, MAX_TYPO_EDITS);
        if (edits < fewest) {
            fewest = edits;
            closest = &known;
        }
    }
    return closest;
}

}  // namespace

// Control bytes (C1 ones too, which some terminals obey) are escaped.
std::string escaped_setting_text(const std::string& text) {
    std::string shown;
    for (const char character : text) {
        const auto byte = static_cast<unsigned char>(character);
        if (byte < 0x20 || (byte >= 0x7F && byte < 0xA0)) {
            std::array<char, 5> escaped{};
            std::snprintf(escaped.data(), escaped.size(), "\\x%02X", byte);
            shown += escaped.data();
        } else {
            shown += character;
        }
    }
    return shown;
}

std::string printable_setting_text(const std::string& text) {
    const std::string shown = escaped_setting_text(text.substr(0, MAX_SHOWN_BYTES));
    return text.size() > MAX_SHOWN_BYTES ? shown + "..." : shown;
}

namespace {

// Checks one setting read from `file` at `line`, warning about it when needed; returns the value
// to use, or nothing when the setting is not to be used.
std::optional<std::string> checked_value(const std::string& file, std::size_t line,
                                         const std::string& key, const std::string& value,
                                         std::ostream& warnings) {
    const std::string place = printable_setting_text(file) + " line " + std::to_string(line);
    const KnownSetting* setting = known_setting(key);
    if (setting == nullptr) {
        if (const KnownSetting* meant = likely_meant(key)) {
            warnings << "Unknown setting " << printable_setting_text(key) << " in " << place
                     << "; did you mean " << meant->key << "?\n";
        }
        return value;
    }
    // A number followed by other text reads as that number, the rest ignored.
    std::string used = value;
    std::string ignored;
    if (is_number(setting->kind)) {
        if (auto number = leading_number(value)) {
            used = std::move(number->digits);
            ignored = std::move(number->rest);
        }
    }
    const char* must = requirement(*setting, used);
    if (must == nullptr) {
        if (!ignored.empty()) {
            warnings << "Invalid configuration in " << place << " - " << key
                     << " takes only the number at the start of \"" << printable_setting_text(value)
                     << "\"; using " << used << '\n';
        }
        return used;
    }
    warnings << "Invalid configuration in " << place << " - " << key << ' ' << must << ", not \""
             << printable_setting_text(value) << "\"; using " << setting->used_instead << '\n';
    if (setting->kind == Kind::lines) {
        return std::nullopt;
    }
    return setting->used_instead;
}

}  // namespace

Settings read_checked_settings(const std::vector<std::string>& files, std::ostream& warnings,
                               SettingOrigins* origins) {
    Settings kept;
    for (const std::string& file : files) {
        SettingLines lines;
        const Settings settings = read_ini(file, lines);
        // Warnings in the order of the lines, as the user reads the file.
        std::vector<std::pair<std::size_t, std::string>> by_line;
        for (const auto& [key, line] : lines) {
            if (kept.count(key) == 0) {
                by_line.emplace_back(line, key);
            }
        }
        std::sort(by_line.begin(), by_line.end());
        for (const auto& [line, key] : by_line) {
            if (std::optional<std::string> value =
                    checked_value(file, line, key, settings.at(key), warnings)) {
                kept.emplace(key, std::move(*value));
                if (origins != nullptr) {
                    origins->emplace(key, file);
                }
            }
        }
    }
    return kept;
}

std::vector<SettingFacts> known_settings() {
    std::vector<SettingFacts> facts;
    facts.reserve(KNOWN_SETTINGS.size());
    for (const KnownSetting& known : KNOWN_SETTINGS) {
        facts.push_back({known.key, known.default_text, known.effect});
    }
    return facts;
}

std::optional<std::string> setting_requirement(const std::string& key, const std::string& value) {
    const KnownSetting* setting = known_setting(key);
    const char* must = setting == nullptr ? nullptr : requirement(*setting, value);
    return must == nullptr ? std::nullopt : std::optional<std::string>(must);
}

std::optional<std::string> likely_setting(const std::string& key) {
    const KnownSetting* meant = likely_meant(key);
    return meant == nullptr ? std::nullopt : std::optional<std::string>(meant->key);
}

}  // namespace qvchat2
