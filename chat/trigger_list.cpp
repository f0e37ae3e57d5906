#include "chat/trigger_list.h"

#include <utility>

#include "gui/model/text_matcher.h"

namespace qvchat2 {

namespace {

using qvchat2gui::MatchResult;
using qvchat2gui::PatternKind;
using qvchat2gui::TextMatcher;

constexpr std::size_t BYTES_PER_KIB = 1024;

// A word as a regular expression that finds it as a whole word: not next to a letter (ASCII or
// Latin-1), a digit or '_', as contains_whole_word bounds a highlight word. A backslash before
// each ASCII sign keeps it literal; letters are left alone so that smart case still sees them.
std::string whole_word_pattern(const std::string& word) {
    std::string pattern = "(?<!\\w)(?:";
    for (const char byte : word) {
        const auto value = static_cast<unsigned char>(byte);
        const bool alphanumeric = (value >= '0' && value <= '9') ||
                                  (value >= 'A' && value <= 'Z') || (value >= 'a' && value <= 'z');
        if (value < 0x80 && !alphanumeric) {
            pattern += '\\';
        }
        pattern += byte;
    }
    return pattern + ")(?!\\w)";
}

void merge(TriggerActions& actions, const TriggerEffects& effects) {
    if (!actions.colour) {
        actions.colour = effects.colour;
    }
    actions.hide = actions.hide || effects.hide;
    actions.bell = actions.bell || effects.bell;
    actions.notify = actions.notify || effects.notify;
    actions.pane = actions.pane || effects.pane;
    actions.speak = actions.speak || effects.speak;
}

}  // namespace

// One trigger, compiled. Shared by the snapshots that hold it, so that an edit compiles only what
// it adds and a trigger's count survives the edits of others.
struct TriggerList::Trigger {
    Trigger(TriggerDefinition parsed, TextMatcher compiled)
        : definition(std::move(parsed)),
          text(trigger_text(definition)),
          shown_pattern(pattern_text(definition)),
          matcher(std::move(compiled)) {}

    const TriggerDefinition definition;
    const std::string text;
    const std::string shown_pattern;
    const TextMatcher matcher;
    // The matcher reuses its match buffers: one line at a time.
    std::mutex match_buffers_mutex;
    std::atomic<std::uint64_t> times_matched{0};
    // Whether a line has been too costly for it in this run (and the user told so).
    std::atomic<bool> named_as_costly{false};
};

struct TriggerList::Snapshot {
    std::vector<std::shared_ptr<Trigger>> triggers;
    std::size_t compiled_bytes = 0;
};

TriggerList::TriggerList() : current(std::make_shared<const Snapshot>()) {}

TriggerList::~TriggerList() = default;

std::shared_ptr<const TriggerList::Snapshot> TriggerList::snapshot() const {
    const std::lock_guard<std::mutex> lock(snapshot_mutex);
    return current;
}

void TriggerList::replace_snapshot(std::shared_ptr<const Snapshot> next) {
    const std::size_t count = next->triggers.size();
    // The old snapshot is let go outside the lock: a line may still be reading it.
    std::shared_ptr<const Snapshot> old;
    {
        const std::lock_guard<std::mutex> lock(snapshot_mutex);
        old = std::exchange(current, std::move(next));
    }
    trigger_count.store(count, std::memory_order_release);
}

TriggerOutcome TriggerList::add(const std::string& typed) {
    std::string problem;
    std::optional<TriggerDefinition> definition = parse_trigger(typed, problem);
    if (!definition) {
        return {false, problem};
    }
    const std::lock_guard<std::mutex> edit(edit_mutex);
    const std::shared_ptr<const Snapshot> before = snapshot();
    if (before->triggers.size() >= MAX_TRIGGERS) {
        return {false, "There can be at most " + std::to_string(MAX_TRIGGERS) +
                           " triggers; #untrigger one first."};
    }
    TextMatcher matcher(
        definition->is_regex ? definition->pattern : whole_word_pattern(definition->pattern),
        PatternKind::regex);
    if (!matcher.valid()) {
        return {false, "Cannot use " + pattern_text(*definition) + ": " + matcher.error() + "."};
    }
    const std::size_t compiled_bytes = before->compiled_bytes + matcher.compiled_bytes();
    if (compiled_bytes > MAX_TRIGGER_COMPILED_BYTES) {
        return {false,
                "The triggers' patterns can take at most " +
                    std::to_string(MAX_TRIGGER_COMPILED_BYTES / BYTES_PER_KIB / BYTES_PER_KIB) +
                    " MiB compiled, and this one takes " +
                    std::to_string(matcher.compiled_bytes() / BYTES_PER_KIB) + " KiB."};
    }
    auto next = std::make_shared<Snapshot>(*before);
    next->triggers.push_back(std::make_shared<Trigger>(std::move(*definition), std::move(matcher)));
    next->compiled_bytes = compiled_bytes;
    std::string message = "Trigger " + std::to_string(next->triggers.size()) + ": " +
                          next->triggers.back()->text + ".";
    replace_snapshot(std::move(next));
    return {true, std::move(message)};
}

TriggerOutcome TriggerList::remove(std::size_t number) {
    const std::lock_guard<std::mutex> edit(edit_mutex);
    const std::shared_ptr<const Snapshot> before = snapshot();
    const std::size_t count = before->triggers.size();
    if (count == 0) {
        return {false, "There are no triggers to remove."};
    }
    if (number == 0 || number > count) {
        return {false, "#untrigger takes a number from 1 to " + std::to_string(count) +
                           ", as #trigger lists them."};
    }
    auto next = std::make_shared<Snapshot>(*before);
    const auto removed = next->triggers.begin() + static_cast<std::ptrdiff_t>(number - 1);
    std::string message =
        "Trigger " + std::to_string(number) + " (" + (*removed)->text + ") is removed.";
    next->compiled_bytes -= (*removed)->matcher.compiled_bytes();
    next->triggers.erase(removed);
    replace_snapshot(std::move(next));
    return {true, std::move(message)};
}

std::vector<ListedTrigger> TriggerList::list() const {
    std::vector<ListedTrigger> listed;
    for (const std::shared_ptr<Trigger>& trigger : snapshot()->triggers) {
        listed.push_back({trigger->text, trigger->times_matched.load(std::memory_order_relaxed)});
    }
    return listed;
}

std::vector<std::string> TriggerList::to_lines() const {
    std::vector<std::string> lines;
    for (const std::shared_ptr<Trigger>& trigger : snapshot()->triggers) {
        lines.push_back(trigger->text);
    }
    return lines;
}

TriggerActions TriggerList::match(std::string_view line) const {
    TriggerActions actions;
    if (trigger_count.load(std::memory_order_acquire) == 0) {
        return actions;
    }
    const std::shared_ptr<const Snapshot> triggers = snapshot();
    const qvchat2gui::MatchableText text(line);
    std::size_t gave_up = 0;
    for (std::size_t index = 0; index < triggers->triggers.size(); ++index) {
        if (gave_up == MAX_COSTLY_TRIGGERS_PER_LINE) {
            if (!named_line_cut_short.exchange(true, std::memory_order_relaxed)) {
                actions.notices.push_back(
                    "Triggers " + std::to_string(index + 1) + " to " +
                    std::to_string(triggers->triggers.size()) + " were left off for a line after " +
                    std::to_string(gave_up) +
                    " before them were too costly for it; they stay on for other lines.");
            }
            break;
        }
        Trigger& trigger = *triggers->triggers[index];
        MatchResult result = MatchResult::not_found;
        {
            const std::lock_guard<std::mutex> lock(trigger.match_buffers_mutex);
            result = trigger.matcher.match(text);
        }
        if (result == MatchResult::gave_up) {
            ++gave_up;
            if (!trigger.named_as_costly.exchange(true, std::memory_order_relaxed)) {
                actions.notices.push_back("Trigger " + std::to_string(index + 1) + " (" +
                                          trigger.shown_pattern +
                                          ") was too costly for a line and was left off for it; "
                                          "it stays on for other lines.");
            }
        }
        if (result == MatchResult::found) {
            trigger.times_matched.fetch_add(1, std::memory_order_relaxed);
            merge(actions, trigger.definition.effects);
        }
    }
    return actions;
}

}  // namespace qvchat2
