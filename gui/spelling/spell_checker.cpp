#include "gui/spelling/spell_checker.h"

#include <enchant.h>

#include <algorithm>
#include <optional>
#include <string_view>
#include <utility>

#include "gui/model/utf8_text.h"
#include "gui/spelling/dictionary_choice.h"
#include "gui/spelling/dictionary_name.h"
#include "gui/spelling/learned_words.h"

namespace qvchat2gui {

namespace {

// What a remembered answer costs beside its word's bytes: the hash node and the string.
constexpr std::size_t VERDICT_OVERHEAD_BYTES = 64;
constexpr unsigned char FIRST_NON_ASCII = 0x80;
constexpr unsigned char UTF8_TWO_BYTE_LEAD = 0xC0;
constexpr unsigned char UTF8_CONTINUATION = 0x80;
constexpr unsigned char UTF8_LOW_SIX_BITS = 0x3F;
constexpr char32_t FIRST_PRINTABLE = 0x20;
constexpr char32_t LAST_ASCII_PRINTABLE = 0x7E;
constexpr char32_t FIRST_LATIN1_PRINTABLE = 0xA0;
constexpr char32_t LAST_LATIN1 = 0xFF;
constexpr unsigned SIX_BITS = 6;

std::string utf8_of(std::string_view latin1) {
    std::string utf8;
    utf8.reserve(latin1.size() * 2);
    for (const char character : latin1) {
        const auto byte = static_cast<unsigned char>(character);
        if (byte < FIRST_NON_ASCII) {
            utf8 += character;
        } else {
            utf8 += static_cast<char>(UTF8_TWO_BYTE_LEAD | (byte >> SIX_BITS));
            utf8 += static_cast<char>(UTF8_CONTINUATION | (byte & UTF8_LOW_SIX_BITS));
        }
    }
    return utf8;
}

// The game's text for a dictionary's word; none when a character of it is beyond Latin-1 or
// not printable there.
std::optional<std::string> latin1_of(std::string_view utf8) {
    std::string latin1;
    while (!utf8.empty()) {
        // read_utf8 reads only what starts with a lead byte.
        const auto first = static_cast<unsigned char>(utf8.front());
        const Utf8Read read = first < FIRST_NON_ASCII
                                  ? Utf8Read{Utf8Read::Status::complete, first, 1}
                                  : read_utf8(utf8);
        const char32_t character = read.character;
        const bool printable =
            (character >= FIRST_PRINTABLE && character <= LAST_ASCII_PRINTABLE) ||
            (character >= FIRST_LATIN1_PRINTABLE && character <= LAST_LATIN1);
        if (read.status != Utf8Read::Status::complete || !printable) {
            return std::nullopt;
        }
        latin1 += static_cast<char>(character);
        utf8.remove_prefix(read.length);
    }
    return latin1;
}

bool ends_with_possessive(std::string_view word) {
    return word.size() > 2 && (word.substr(word.size() - 2) == "'s");
}

void add_words_of(std::string_view entry, std::unordered_set<std::string>& words) {
    if (entry.size() >= 2 && entry.front() == '/' && entry.back() == '/') {
        return;
    }
    std::size_t at = 0;
    while (at < entry.size()) {
        const std::size_t space = std::min(entry.find(' ', at), entry.size());
        if (space > at) {
            words.insert(folded_ascii(entry.substr(at, space - at)));
        }
        at = space + 1;
    }
}

}  // namespace

std::unique_ptr<SpellChecker> SpellChecker::open(const std::string& setting_value,
                                                 std::string& problem) {
    problem.clear();
    const std::optional<std::string> name = dictionary_for_setting(setting_value);
    if (!name) {
        return nullptr;
    }
    if (!is_dictionary_name(*name)) {
        problem = "Spelling is off: \"" + name->substr(0, MAX_DICTIONARY_NAME_BYTES) +
                  "\" is no dictionary name.";
        return nullptr;
    }
    EnchantBroker* broker = enchant_broker_init();
    if (broker == nullptr) {
        problem = "Spelling is off: the spelling library cannot start.";
        return nullptr;
    }
    EnchantDict* dict = enchant_broker_dict_exists(broker, name->c_str()) != 0
                            ? enchant_broker_request_dict(broker, name->c_str())
                            : nullptr;
    if (dict == nullptr) {
        enchant_broker_free(broker);
        problem = "Spelling is off: no dictionary \"" + *name + "\" is installed.";
        return nullptr;
    }
    return std::unique_ptr<SpellChecker>(new SpellChecker(*name, broker, dict));
}

SpellChecker::SpellChecker(std::string dictionary_name, str_enchant_broker* broker,
                           str_enchant_dict* dict)
    : dictionary_name(std::move(dictionary_name)), broker(broker), dict(dict) {}

SpellChecker::~SpellChecker() {
    enchant_broker_free_dict(broker, dict);
    enchant_broker_free(broker);
}

std::string SpellChecker::dictionary() const {
    return dictionary_name;
}

bool SpellChecker::known(const std::string& latin1_word) {
    if (latin1_word.empty()) {
        return true;
    }
    const auto found = verdicts.find(latin1_word);
    bool verdict = false;
    if (found != verdicts.end()) {
        verdict = found->second;
    } else {
        verdict = latin1_word.size() <= MAX_WORD_BYTES && dictionary_knows(latin1_word);
        remember(latin1_word, verdict);
    }
    return verdict || known_to_user(latin1_word);
}

bool SpellChecker::remembered(const std::string& latin1_word) const {
    return latin1_word.empty() || verdicts.count(latin1_word) != 0;
}

std::vector<std::string> SpellChecker::suggestions(const std::string& latin1_word) {
    std::vector<std::string> found;
    if (latin1_word.empty() || latin1_word.size() > MAX_WORD_BYTES) {
        return found;
    }
    const std::string utf8 = utf8_of(latin1_word);
    std::size_t count = 0;
    char** offered =
        enchant_dict_suggest(dict, utf8.c_str(), static_cast<ssize_t>(utf8.size()), &count);
    for (std::size_t index = 0; offered != nullptr && index < count; ++index) {
        std::optional<std::string> word = latin1_of(offered[index]);
        if (word && !word->empty() && *word != latin1_word &&
            std::find(found.begin(), found.end(), *word) == found.end()) {
            found.push_back(std::move(*word));
        }
        if (found.size() == MAX_SUGGESTIONS) {
            break;
        }
    }
    if (offered != nullptr) {
        enchant_dict_free_string_list(dict, offered);
    }
    return found;
}

void SpellChecker::set_accepted_words(AcceptedWords source) {
    accepted_source = std::move(source);
    accepted_stale = true;
}

bool SpellChecker::learn(const std::string& latin1_word) {
    return learned_words.learn(latin1_word);
}

bool SpellChecker::forget(const std::string& latin1_word) {
    return learned_words.forget(latin1_word);
}

std::vector<std::string> SpellChecker::learned() const {
    return learned_words.list();
}

bool SpellChecker::dictionary_knows(const std::string& latin1_word) const {
    if (dictionary_knows_whole(latin1_word)) {
        return true;
    }
    if (latin1_word.find('-') == std::string::npos) {
        return false;
    }
    // "sword-smith": a joined word the dictionary lacks is right when each part is.
    std::size_t at = 0;
    while (at <= latin1_word.size()) {
        const std::size_t hyphen = std::min(latin1_word.find('-', at), latin1_word.size());
        if (hyphen == at || !dictionary_knows_whole(latin1_word.substr(at, hyphen - at))) {
            return false;
        }
        at = hyphen + 1;
    }
    return true;
}

bool SpellChecker::dictionary_knows_whole(const std::string& latin1_word) const {
    const std::string utf8 = utf8_of(latin1_word);
    return enchant_dict_check(dict, utf8.c_str(), static_cast<ssize_t>(utf8.size())) == 0;
}

bool SpellChecker::known_to_user(const std::string& latin1_word) {
    refresh_accepted_words();
    std::string key = folded_ascii(latin1_word);
    const auto listed = [this](const std::string& word) {
        return learned_words.holds_folded(word) || accepted_folded.count(word) != 0;
    };
    if (listed(key)) {
        return true;
    }
    if (ends_with_possessive(key)) {
        key.resize(key.size() - 2);
        return listed(key);
    }
    return false;
}

void SpellChecker::remember(const std::string& latin1_word, bool verdict) {
    const std::size_t cost = latin1_word.size() + VERDICT_OVERHEAD_BYTES;
    if (verdict_bytes + cost > MAX_REMEMBERED_BYTES) {
        verdicts.clear();
        verdict_bytes = 0;
    }
    verdicts.emplace(latin1_word, verdict);
    verdict_bytes += cost;
}

void SpellChecker::refresh_accepted_words() {
    const auto now = std::chrono::steady_clock::now();
    if (!accepted_stale && now - accepted_read_at < ACCEPTED_WORDS_LIFETIME) {
        return;
    }
    accepted_folded.clear();
    if (accepted_source) {
        for (const std::string& entry : accepted_source()) {
            add_words_of(entry, accepted_folded);
        }
    }
    accepted_read_at = now;
    accepted_stale = false;
}

}  // namespace qvchat2gui
