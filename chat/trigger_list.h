#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "chat/trigger_definition.h"

namespace qvchat2 {

// The most triggers kept.
constexpr std::size_t MAX_TRIGGERS = 200;
// The most memory the compiled patterns of all triggers take together, their JIT code included.
constexpr std::size_t MAX_TRIGGER_COMPILED_BYTES = std::size_t{4} << 20;

// A search that gives up at PCRE2's limits takes a millisecond or two: after this many on one
// line the triggers after them are left off for it, so that no line waits for long.
constexpr std::size_t MAX_COSTLY_TRIGGERS_PER_LINE = 8;

// What an edit of the list did: `message` is the confirmation when `accepted`, else why not.
struct TriggerOutcome {
    bool accepted = false;
    std::string message;
};

// A trigger as #trigger lists it.
struct ListedTrigger {
    std::string text;  // as typed after "#trigger ", and as saved
    std::uint64_t times_matched = 0;
};

// The user's triggers: a pattern with actions, taken when a received line matches. A "/REGEX/" is
// found as the search of the chat finds it, a word as a whole word (ignoring case unless it holds
// an upper-case letter); colour bytes take no part in either.
//
// Every received line asks match, on the dispatch threads: it reads an immutable snapshot, so an
// edit on the main thread never waits for a line, and a line waits for an edit only to copy a
// pointer. With no triggers a line costs one atomic load.
class TriggerList {
public:
    TriggerList();
    ~TriggerList();
    TriggerList(const TriggerList&) = delete;
    TriggerList& operator=(const TriggerList&) = delete;

    // Adds what was typed after "#trigger "; refused when it cannot be read, does not compile
    // (with PCRE2's reason), or the list is full in count or in memory. The message names the new
    // trigger's number.
    TriggerOutcome add(const std::string& typed);
    // Removes trigger `number` (from 1) as #trigger lists it.
    TriggerOutcome remove(std::size_t number);
    // In the order they were added, numbered from 1 by their place.
    std::vector<ListedTrigger> list() const;
    std::size_t size() const { return trigger_count.load(std::memory_order_acquire); }

    // The actions of every trigger that matches `line` (the shown line, colour bytes and all):
    // the colour of the first of them, the other actions of any. A trigger whose search gave up at
    // PCRE2's limits is left off for this line, and named in `notices` the first time; after
    // MAX_COSTLY_TRIGGERS_PER_LINE of them, so are the triggers after them (named once a run).
    TriggerActions match(std::string_view line) const;

    // The file's lines: one trigger each, as list gives them.
    std::vector<std::string> to_lines() const;

private:
    struct Trigger;
    struct Snapshot;
    std::shared_ptr<const Snapshot> snapshot() const;
    void replace_snapshot(std::shared_ptr<const Snapshot> next);

    // Held by an edit from reading the snapshot to replacing it, so that edits are not lost;
    // taken before snapshot_mutex.
    mutable std::mutex edit_mutex;
    mutable std::mutex snapshot_mutex;
    std::shared_ptr<const Snapshot> current;  // guarded by snapshot_mutex
    // The size of `current`, read by a line before anything else.
    std::atomic<std::size_t> trigger_count{0};
    // Whether a line has been too costly for the triggers after some of them in this run.
    mutable std::atomic<bool> named_line_cut_short{false};
};

}  // namespace qvchat2
