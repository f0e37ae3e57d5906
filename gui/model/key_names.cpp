#include "gui/model/key_names.h"

#include <algorithm>
#include <map>
#include <vector>

#include "gui/model/key_codes.h"

namespace qvchat2gui {

namespace {

struct NamedKey {
    std::string name;
    std::vector<int> codes;  // the canonical one first
};

std::string lowercase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](char byte) {
        return byte >= 'A' && byte <= 'Z' ? static_cast<char>(byte - 'A' + 'a') : byte;
    });
    return text;
}

// Keys with a name of their own, and those that more than one code sends.
std::vector<NamedKey> make_named_keys() {
    std::vector<NamedKey> keys = {
        {"Enter", {'\r', '\n', ENTER_KEY}},
        {"Tab", {TAB_KEY}},
        {"Esc", {ESCAPE_KEY}},
        {"Backspace", {DELETE_KEY, ERASE_BACK_KEY, BACKSPACE_KEY}},
        {"Delete", {ERASE_KEY}},
        {"Insert", {INSERT_KEY}},
        {"Up", {UP_KEY}},
        {"Down", {DOWN_KEY}},
        {"Left", {LEFT_KEY}},
        {"Right", {RIGHT_KEY}},
        {"Home", {HOME_KEY}},
        {"End", {END_KEY}},
        {"PageUp", {PAGE_UP_KEY}},
        {"PageDown", {PAGE_DOWN_KEY}},
        {"Ctrl-Left", {CTRL_LEFT_KEY}},
        {"Ctrl-Right", {CTRL_RIGHT_KEY}},
        {"Ctrl-Home", {CHAT_OLDEST_KEY}},
        {"Ctrl-End", {CHAT_NEWEST_KEY}},
        {"Alt-Home", {alt(HOME_KEY)}},
        {"Alt-End", {alt(END_KEY)}},
        // The full screen's terminal sequence for Alt with an arrow, and Escape before the arrow.
        {"Alt-Right", {NEXT_VIEW_KEY, alt(RIGHT_KEY)}},
        {"Alt-Left", {PREVIOUS_VIEW_KEY, alt(LEFT_KEY)}},
        {"Alt-Up", {REVIEW_OLDER_KEY}},
        {"Alt-Down", {REVIEW_NEWER_KEY}},
        {"Alt-Enter", {alt('\r'), alt('\n'), alt(ENTER_KEY)}},
        {"Alt-Backspace", {alt(DELETE_KEY), alt(ERASE_BACK_KEY), alt(BACKSPACE_KEY)}},
        {"Alt-Tab", {alt(TAB_KEY)}},
        {"Ctrl-\\", {ctrl('\\')}},
    };
    for (int number = 1; number <= FUNCTION_KEYS; ++number) {
        keys.push_back({"F" + std::to_string(number), {function_key(number)}});
    }
    return keys;
}

const std::vector<NamedKey>& named_keys() {
    static const std::vector<NamedKey> keys = make_named_keys();
    return keys;
}

const NamedKey* named_key_of(int code) {
    for (const NamedKey& key : named_keys()) {
        if (std::find(key.codes.begin(), key.codes.end(), code) != key.codes.end()) {
            return &key;
        }
    }
    return nullptr;
}

// "ctrl-", "c-", "^" before a letter; "alt-", "meta-", "m-" before anything else.
std::optional<int> parse_modified(const std::string& name) {
    for (const char* prefix : {"ctrl-", "c-", "^"}) {
        const std::string lead = prefix;
        if (name.size() == lead.size() + 1 && name.compare(0, lead.size(), lead) == 0 &&
            name.back() >= 'a' && name.back() <= 'z') {
            return ctrl(name.back());
        }
    }
    for (const char* prefix : {"alt-", "meta-", "m-"}) {
        const std::string lead = prefix;
        if (name.size() <= lead.size() || name.compare(0, lead.size(), lead) != 0) {
            continue;
        }
        const std::string rest = name.substr(lead.size());
        if (rest.size() == 1 && rest[0] > ' ' && rest[0] < DELETE_KEY) {
            return alt(static_cast<unsigned char>(rest[0]));
        }
        if (rest.size() == 7 && rest.compare(0, 6, "shift-") == 0 && rest[6] >= 'a' &&
            rest[6] <= 'z') {
            return alt(rest[6] - 'a' + 'A');
        }
    }
    return std::nullopt;
}

std::string without_spaces(std::string text) {
    text.erase(std::remove(text.begin(), text.end(), ' '), text.end());
    return text;
}

}  // namespace

std::optional<int> parse_key_name(const std::string& name) {
    const std::string wanted = without_spaces(lowercase(name));
    if (wanted == "escape") {
        return ESCAPE_KEY;
    }
    for (const NamedKey& key : named_keys()) {
        if (without_spaces(lowercase(key.name)) == wanted) {
            return key.codes.front();
        }
    }
    // Emacs' "M-" and "C-" before the named keys too: "M-Enter".
    for (const auto& [short_prefix, long_prefix] :
         std::vector<std::pair<std::string, std::string>>{{"m-", "alt-"}, {"c-", "ctrl-"}}) {
        if (wanted.compare(0, short_prefix.size(), short_prefix) == 0 && wanted.size() > 3) {
            const std::string longer = long_prefix + wanted.substr(short_prefix.size());
            for (const NamedKey& key : named_keys()) {
                if (without_spaces(lowercase(key.name)) == longer) {
                    return key.codes.front();
                }
            }
        }
    }
    return parse_modified(wanted);
}

std::string key_name(int code) {
    if (const NamedKey* key = named_key_of(code)) {
        return key->name;
    }
    if (code >= 1 && code <= ctrl('z')) {
        return std::string("Ctrl-") + static_cast<char>('A' + code - 1);
    }
    if ((code & ALT_MODIFIER) != 0) {
        const int base = code & ~ALT_MODIFIER;
        if (base >= 'A' && base <= 'Z') {
            return std::string("Alt-Shift-") + static_cast<char>(base);
        }
        if (base >= 'a' && base <= 'z') {
            return std::string("Alt-") + static_cast<char>(base - 'a' + 'A');
        }
        if (base > ' ' && base < DELETE_KEY) {
            return std::string("Alt-") + static_cast<char>(base);
        }
    }
    return "";
}

int canonical_key(int code) {
    const NamedKey* key = named_key_of(code);
    return key != nullptr ? key->codes.front() : code;
}

}  // namespace qvchat2gui
