#include "chat/filter_commands.h"

#include <string>
#include <vector>

#include "app/config.h"
#include "app/name_list_file.h"
#include "chat/command_argument.h"

namespace qvchat2 {

namespace {

using qvchat2gui::server_line;

constexpr std::int64_t SECONDS_PER_MINUTE = 60;

void say(qvchat2gui::ChatGUI* gui, const std::string& text) {
    gui->add_client_line(server_line(text));
}

void save(qvchat2gui::ChatGUI* gui, const std::optional<std::filesystem::path>& file,
          const std::vector<std::string>& lines) {
    std::string error;
    if (file && !save_name_list(*file, lines, error)) {
        say(gui, "Cannot save " + file->string() + ": " + error);
    }
}

// "Marek" or "Marek for 25 more minutes", with the lines hidden in this run.
std::string described(const IgnoredPlayer& player) {
    std::string text = player.name;
    if (player.left) {
        const std::int64_t minutes =
            (player.left->count() + SECONDS_PER_MINUTE - 1) / SECONDS_PER_MINUTE;
        text +=
            " for " + std::to_string(minutes) + (minutes == 1 ? " more minute" : " more minutes");
    }
    if (player.lines_hidden > 0) {
        text += " (" + std::to_string(player.lines_hidden) +
                (player.lines_hidden == 1 ? " line hidden)" : " lines hidden)");
    }
    return text;
}

template <typename Item, typename Describe>
std::string listed(const std::vector<Item>& items, Describe describe) {
    std::string text;
    for (const Item& item : items) {
        text += (text.empty() ? "" : ", ") + describe(item);
    }
    return text;
}

void ignore_command(qvchat2gui::ChatGUI* gui, const FilterFiles& files,
                    const std::string& argument) {
    const auto now = WallClock::now();
    const auto [name, minutes_text] = first_word(argument);
    if (name.empty()) {
        const std::vector<IgnoredPlayer> players = ignore_list().entries(now);
        say(gui, players.empty() ? "Nobody is ignored."
                                 : "Ignoring " + listed(players, described) + ".");
        return;
    }
    std::optional<std::chrono::minutes> how_long;
    if (!minutes_text.empty()) {
        const bool is_number = minutes_text.size() <= 6 &&
                               minutes_text.find_first_not_of("0123456789") == std::string::npos;
        const long minutes = is_number ? std::stol(minutes_text) : 0;
        if (minutes <= 0 || std::chrono::minutes(minutes) > MAX_IGNORE_TIME) {
            say(gui, "Usage: #ignore NAME, or #ignore NAME MINUTES (1 to 525600).");
            return;
        }
        how_long = std::chrono::minutes(minutes);
    }
    const IgnoreOutcome outcome = ignore_list().ignore(name, how_long, now);
    say(gui, outcome.message);
    if (outcome.accepted) {
        save(gui, files.ignored, ignore_list().to_lines());
    }
}

void unignore_command(qvchat2gui::ChatGUI* gui, const FilterFiles& files,
                      const std::string& argument) {
    const std::string name = first_word(argument).first;
    if (name.empty()) {
        say(gui, "Usage: #unignore NAME");
        return;
    }
    const bool was_ignored = ignore_list().unignore(name);
    say(gui, unignore_message(name, was_ignored));
    if (was_ignored) {
        save(gui, files.ignored, ignore_list().to_lines());
    }
}

void highlight_command(qvchat2gui::ChatGUI* gui, const FilterFiles& files,
                       const std::string& argument) {
    const std::size_t start = std::min(argument.find_first_not_of(' '), argument.size());
    const std::string text = argument.substr(start);
    if (text.empty()) {
        const std::vector<std::string> words = highlight_words().list();
        say(gui, words.empty() ? "No highlight words."
                               : "Highlight words: " + listed(words, [](const std::string& word) {
                                     return word;
                                 }) + ".");
        return;
    }
    if (text[0] == '-' && text.size() > 1) {
        const std::string removed = text.substr(1);
        const bool was_there = highlight_words().remove(removed);
        say(gui, highlight_removal_message(removed, was_there));
        if (was_there) {
            save(gui, files.highlighted, highlight_words().to_lines());
        }
        return;
    }
    const HighlightOutcome outcome = highlight_words().add(text);
    say(gui, outcome.message);
    if (outcome.accepted) {
        save(gui, files.highlighted, highlight_words().to_lines());
    }
}

std::string mute_message(MuteOutcome outcome, const std::string& number) {
    switch (outcome) {
        case MuteOutcome::muted:
            return "Channel " + number + " is muted; lines that name you still show.";
        case MuteOutcome::was_muted:
            return "Channel " + number + " was muted already.";
        case MuteOutcome::list_full:
            break;
    }
    return "There can be at most " + std::to_string(MAX_NAME_LIST_ENTRIES) +
           " muted channels; #unmute one first.";
}

// The top bar marks the muted channels.
void show_muted_channels(qvchat2gui::ChatGUI* gui) {
    const std::vector<std::uint32_t> channels = muted_channels().list();
    gui->set_muted_channels({channels.begin(), channels.end()});
}

void mute_command(qvchat2gui::ChatGUI* gui, const FilterFiles& files, const std::string& argument,
                  bool mute) {
    const std::string word = first_word(argument).first;
    if (word.empty() && mute) {
        const std::vector<std::uint32_t> channels = muted_channels().list();
        say(gui, channels.empty()
                     ? "No channel is muted."
                     : "Muted channels: " + listed(channels, [](std::uint32_t channel) {
                           return std::to_string(channel);
                       }) + ".");
        return;
    }
    const std::optional<std::uint32_t> channel = parse_channel_number(word);
    if (!channel) {
        say(gui, mute ? "Usage: #mute CHANNEL, the number the channel's lines show."
                      : "Usage: #unmute CHANNEL");
        return;
    }
    const std::string number = std::to_string(*channel);
    bool changed = false;
    if (mute) {
        const MuteOutcome outcome = muted_channels().mute(*channel);
        changed = outcome == MuteOutcome::muted;
        say(gui, mute_message(outcome, number));
    } else {
        changed = muted_channels().unmute(*channel);
        say(gui, changed ? "Channel " + number + " is no longer muted."
                         : "Channel " + number + " was not muted.");
    }
    if (changed) {
        save(gui, files.muted, muted_channels().to_lines());
        show_muted_channels(gui);
    }
}

// Reads one list; false, with a warning, when its file cannot be read.
template <typename List>
bool load_list(const std::optional<std::filesystem::path>& file, List&& add_lines,
               std::ostream& warnings) {
    if (!file) {
        return true;
    }
    const NameListRead read = load_name_list(*file);
    if (!read.problem.empty()) {
        warnings << read.problem
                 << " It is not used in this run, and changes to it are not saved: make it a "
                    "regular file that you can read and write, or remove it.\n";
        return false;
    }
    add_lines(read.lines);
    return true;
}

}  // namespace

IgnoreList& ignore_list() {
    static IgnoreList list;
    return list;
}

HighlightWords& highlight_words() {
    static HighlightWords words;
    return words;
}

MutedChannels& muted_channels() {
    static MutedChannels channels;
    return channels;
}

FilterFiles filter_files(const std::string& server_folder) {
    return {get_config_file(server_folder, "ignore.txt"),
            get_config_file(server_folder, "highlight.txt"),
            get_config_file(server_folder, "mute.txt")};
}

void load_filters(FilterFiles& files, std::ostream& warnings) {
    if (!load_list(
            files.ignored,
            [](const std::vector<std::string>& lines) {
                ignore_list().from_lines(lines, WallClock::now());
            },
            warnings)) {
        files.ignored.reset();
    }
    if (!load_list(
            files.highlighted,
            [](const std::vector<std::string>& lines) { highlight_words().from_lines(lines); },
            warnings)) {
        files.highlighted.reset();
    }
    if (!load_list(
            files.muted,
            [](const std::vector<std::string>& lines) { muted_channels().from_lines(lines); },
            warnings)) {
        files.muted.reset();
    }
}

void register_filter_commands(qvchat2gui::ChatGUI* gui, const FilterFiles& files) {
    show_muted_channels(gui);
    gui->add_callback("ignore", [gui, files](const std::string& argument) {
        ignore_command(gui, files, argument);
    });
    gui->add_callback("unignore", [gui, files](const std::string& argument) {
        unignore_command(gui, files, argument);
    });
    gui->add_callback("highlight", [gui, files](const std::string& argument) {
        highlight_command(gui, files, argument);
    });
    gui->add_callback("mute", [gui, files](const std::string& argument) {
        mute_command(gui, files, argument, true);
    });
    gui->add_callback("unmute", [gui, files](const std::string& argument) {
        mute_command(gui, files, argument, false);
    });
}

}  // namespace qvchat2
