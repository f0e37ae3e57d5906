#include "gui/model/key_bindings.h"

#include <algorithm>

#include "gui/model/key_actions.h"
#include "gui/model/key_codes.h"
#include "gui/model/key_names.h"

namespace qvchat2gui {

namespace {

// The keys the terminal turns into signals: they leave or stop the program whatever is bound.
struct SignalKey {
    int code;
    const char* what;
};
constexpr SignalKey SIGNAL_KEYS[] = {
    {ctrl('c'), "leaves the program"},
    {ctrl('z'), "stops the program"},
    {ctrl('\\'), "leaves the program"},
};

// Action words as typed: ASCII letters of any case, spaces between words however many.
std::string normalised_words(const std::string& text) {
    std::string words;
    for (const char byte : text) {
        if (byte == ' ' || byte == '-' || byte == '_') {
            if (!words.empty() && words.back() != ' ') {
                words += ' ';
            }
        } else {
            words += byte >= 'A' && byte <= 'Z' ? static_cast<char>(byte - 'A' + 'a') : byte;
        }
    }
    while (!words.empty() && words.back() == ' ') {
        words.pop_back();
    }
    return words;
}

std::optional<std::size_t> action_named(const std::string& text, const FrontEndKeys& keys) {
    const std::string wanted = normalised_words(text);
    const std::vector<KeyAction>& actions = key_actions();
    for (std::size_t index = 0; index < actions.size(); ++index) {
        if (actions[index].words == wanted && actions[index].available(keys)) {
            return index;
        }
    }
    return std::nullopt;
}

bool is_default_key(std::size_t action, int key) {
    const std::vector<int>& keys = key_actions()[action].keys;
    return std::any_of(keys.begin(), keys.end(),
                       [key](int code) { return canonical_key(code) == key; });
}

bool can_be_typed(const std::string& line) {
    return std::all_of(line.begin(), line.end(),
                       [](char byte) { return is_typed_byte(static_cast<unsigned char>(byte)); });
}

}  // namespace

KeyBindings::Resolved KeyBindings::resolve(int key) const {
    const auto found = bindings.find(canonical_key(key));
    if (found == bindings.end()) {
        return {key, std::nullopt};
    }
    if (found->second.action) {
        return {key_actions()[*found->second.action].keys.front(), std::nullopt};
    }
    return {key, found->second.typed_line};
}

std::string KeyBindings::bind(const std::string& key_text, const std::string& action_text,
                              const FrontEndKeys& keys, bool& changed) {
    changed = false;
    const std::optional<int> parsed = parse_key_name(key_text);
    if (!parsed) {
        return "No key is called \"" + key_text +
               "\"; keys are named as Ctrl-S, Alt-G, Alt-Enter, PageUp, F5.";
    }
    const int key = canonical_key(*parsed);
    const std::string name = key_name(key);
    if (key == '\r') {
        return "Enter sends the line and cannot be bound.";
    }
    for (const SignalKey& signal_key : SIGNAL_KEYS) {
        if (signal_key.code == key) {
            return name + " " + signal_key.what + " and cannot be bound.";
        }
    }
    Binding binding;
    binding.action = action_named(action_text, keys);
    if (!binding.action) {
        if (action_text.empty() || (action_text[0] != '#' && action_text[0] != '/')) {
            return "No action \"" + action_text +
                   "\": #bind lists them; a line to type starts with # or /.";
        }
        if (action_text.size() > MAX_TYPED_LINE || !can_be_typed(action_text)) {
            return "A key can type a line of at most " + std::to_string(MAX_TYPED_LINE) +
                   " bytes, without control characters.";
        }
        binding.typed_line = action_text;
    }
    if (binding.action && is_default_key(*binding.action, key)) {
        return unbind(name, keys, changed);
    }
    if (bindings.count(key) == 0 && bindings.size() >= MAX_BINDINGS) {
        return "At most " + std::to_string(MAX_BINDINGS) + " keys can be bound; #unbind one first.";
    }
    bindings[key] = binding;
    changed = true;
    return name + " now " + does(binding) + ".";
}

std::string KeyBindings::unbind(const std::string& key_text, const FrontEndKeys& keys,
                                bool& changed) {
    changed = false;
    const std::optional<int> parsed = parse_key_name(key_text);
    if (!parsed) {
        return "No key is called \"" + key_text + "\".";
    }
    const int key = canonical_key(*parsed);
    changed = bindings.erase(key) > 0;
    const std::vector<KeyAction>& actions = key_actions();
    std::string action = "nothing";
    for (std::size_t index = 0; index < actions.size(); ++index) {
        if (actions[index].available(keys) && is_default_key(index, key)) {
            action = actions[index].words;
            break;
        }
    }
    return key_name(key) + (changed ? " does again: " : " is not bound: it does ") + action + ".";
}

std::string KeyBindings::does(const Binding& binding) const {
    return binding.action ? "does: " + key_actions()[*binding.action].words
                          : "types: " + binding.typed_line;
}

std::vector<std::string> KeyBindings::listing(const FrontEndKeys& keys) const {
    std::vector<std::string> lines;
    const std::vector<KeyAction>& actions = key_actions();
    for (std::size_t index = 0; index < actions.size(); ++index) {
        if (!actions[index].available(keys)) {
            continue;
        }
        std::string names;
        const auto add = [&names](const std::string& name) {
            names += (names.empty() ? "" : ", ") + name;
        };
        for (const int code : actions[index].keys) {
            if (bindings.count(canonical_key(code)) == 0) {
                add(key_name(code));
            }
        }
        for (const auto& [key, binding] : bindings) {
            if (binding.action == index) {
                add(key_name(key));
            }
        }
        lines.push_back((names.empty() ? std::string("no key") : names) + ": " +
                        actions[index].words);
    }
    for (const auto& [key, binding] : bindings) {
        if (!binding.action) {
            lines.push_back(key_name(key) + ": types " + binding.typed_line);
        }
    }
    for (const SignalKey& signal_key : SIGNAL_KEYS) {
        lines.push_back(key_name(signal_key.code) + ": " + signal_key.what);
    }
    return lines;
}

std::vector<std::string> KeyBindings::to_lines() const {
    std::vector<std::string> lines;
    for (const auto& [key, binding] : bindings) {
        lines.push_back(
            key_name(key) + " " +
            (binding.action ? key_actions()[*binding.action].words : binding.typed_line));
    }
    return lines;
}

std::vector<KeyBindings::LineProblem> KeyBindings::load(const std::vector<std::string>& lines,
                                                        const FrontEndKeys& keys) {
    std::vector<LineProblem> problems;
    for (std::size_t index = 0; index < lines.size(); ++index) {
        const std::string& line = lines[index];
        const std::size_t start = line.find_first_not_of(' ');
        if (start == std::string::npos) {
            continue;
        }
        const std::size_t space = line.find(' ', start);
        const std::size_t action =
            space == std::string::npos ? space : line.find_first_not_of(' ', space);
        bool changed = false;
        const std::string answer =
            bind(line.substr(start, space - start),
                 action == std::string::npos ? "" : line.substr(action), keys, changed);
        if (!changed) {
            problems.push_back({index + 1, answer});
        }
    }
    return problems;
}

}  // namespace qvchat2gui
