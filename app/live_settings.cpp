#include "app/live_settings.h"

#include <boost/algorithm/string/case_conv.hpp>
#include <locale>
#include <optional>
#include <utility>

namespace qvchat2 {

namespace {

std::string lowercase_ascii(const std::string& text) {
    return boost::algorithm::to_lower_copy(text, std::locale::classic());
}

std::optional<SettingFacts> facts_of(const std::string& key) {
    for (const SettingFacts& facts : known_settings()) {
        if (key == facts.key) {
            return facts;
        }
    }
    return std::nullopt;
}

std::string unknown_setting(const std::string& key) {
    const std::string shown = "Unknown setting \"" + printable_setting_text(key) + "\"";
    if (const std::optional<std::string> meant = likely_setting(key)) {
        return shown + "; did you mean " + *meant + "?";
    }
    return shown + ": #set lists the settings.";
}

}  // namespace

LiveSettings::LiveSettings(Settings values, SettingOrigins origins, std::vector<std::string> files)
    : current(std::move(values)), origins(std::move(origins)), files(std::move(files)) {}

const Settings& LiveSettings::values() const {
    return current;
}

void LiveSettings::on_change(const std::string& key, Apply apply) {
    listeners[key].push_back(std::move(apply));
}

void LiveSettings::on_change_told(const std::string& key, ApplyAndTell apply) {
    telling_listeners[key].push_back(std::move(apply));
}

std::vector<std::string> LiveSettings::listing() const {
    std::vector<std::string> lines;
    for (const SettingFacts& facts : known_settings()) {
        lines.push_back(describe(facts.key));
    }
    return lines;
}

std::string LiveSettings::describe(const std::string& key) const {
    const std::string name = lowercase_ascii(key);
    const std::optional<SettingFacts> facts = facts_of(name);
    if (!facts) {
        return unknown_setting(key);
    }
    const auto value = current.find(name);
    if (value == current.end()) {
        return name + " = " + facts->default_text + " (default)";
    }
    const std::string shown = name == "password" ? "(set)" : escaped_setting_text(value->second);
    const auto origin = origins.find(name);
    return name + " = " + shown + " (" +
           (origin == origins.end() ? std::string(SET_WHILE_RUNNING)
                                    : printable_setting_text(origin->second)) +
           ")";
}

// Nothing is written back to a file, so the user is told where the setting is read.
std::string LiveSettings::read_only_at_start(const std::string& name) const {
    std::string places;
    for (std::size_t index = 0; index < files.size(); ++index) {
        places += (index == 0                  ? ""
                   : index + 1 == files.size() ? " or "
                                               : ", ") +
                  printable_setting_text(files[index]);
    }
    std::string answer = name + " is read only at start; nothing changed. To change it, write #" +
                         name + " = VALUE in " + (places.empty() ? "qv.ini" : places) +
                         " and start qvchat again";
    if (name == "reader") {
        answer += ", or start qvchat with --reader";
    }
    return answer + ".";
}

std::string LiveSettings::set(const std::string& key, const std::string& value) {
    const std::string name = lowercase_ascii(key);
    const std::optional<SettingFacts> facts = facts_of(name);
    if (!facts) {
        return unknown_setting(key);
    }
    if (facts->effect == SettingEffect::next_start) {
        return read_only_at_start(name);
    }
    if (const std::optional<std::string> must = setting_requirement(name, value);
        must && !value.empty()) {
        return name + " " + *must + ", not \"" + printable_setting_text(value) + "\"; it stays " +
               describe(name).substr(name.size() + 3) + ".";
    }
    bool changed = false;
    if (value.empty()) {
        // As if no file set it, which is how the files take an empty value.
        changed = current.erase(name) != 0;
    } else {
        const auto old = current.find(name);
        changed = old == current.end() || old->second != value;
        current[name] = value;
    }
    origins.erase(name);
    std::string told;
    if (changed) {
        for (const Apply& apply : listeners[name]) {
            apply(current);
        }
        for (const ApplyAndTell& apply : telling_listeners[name]) {
            const std::string text = apply(current);
            told += text.empty() ? "" : " " + text;
        }
    }
    return (value.empty() ? name + " is back to its default, " + facts->default_text + "."
                          : name + " is now " + printable_setting_text(value) + ".") +
           told;
}

}  // namespace qvchat2
