// The triggers asked of every received line: none, a hundred of which one matches, and one that
// gives up.

#include <benchmark/benchmark.h>

#include <stdexcept>
#include <string>
#include <string_view>

#include "chat/trigger_list.h"

namespace {

constexpr int WORD_TRIGGERS = 50;
constexpr int REGEX_TRIGGERS = 50;

// A channel line as shown, about 80 bytes with its colour bytes: one first, one inside a word.
constexpr std::string_view CHANNEL_LINE =
    "\x80[Ann @ 3]: selling 20 iron ore, PM me; also 5 sil\x81ver bars and a rune of warding";

void add(qvchat2::TriggerList& list, const std::string& typed) {
    if (!list.add(typed).accepted) {
        throw std::logic_error("the benchmark's trigger is refused: " + typed);
    }
}

// `WORD_TRIGGERS` words and `REGEX_TRIGGERS` small regular expressions, none of which the line
// holds, and one word that it does.
void add_realistic_triggers(qvchat2::TriggerList& list) {
    for (int index = 0; index < WORD_TRIGGERS; ++index) {
        add(list, "word" + std::to_string(index) + " bell");
    }
    for (int index = 0; index < REGEX_TRIGGERS; ++index) {
        const std::string number = std::to_string(index);
        add(list, "/(boss|raid)" + number + "\\s+(at|in) \\d+/ colour 2 notify");
    }
    add(list, "iron colour yellow pane");
}

void BM_TriggersNone(benchmark::State& state) {
    const qvchat2::TriggerList list;
    for (auto _ : state) {
        benchmark::DoNotOptimize(list.match(CHANNEL_LINE));
    }
}
BENCHMARK(BM_TriggersNone);

void BM_TriggersHundred(benchmark::State& state) {
    qvchat2::TriggerList list;
    add_realistic_triggers(list);
    if (!list.match(CHANNEL_LINE).pane) {
        throw std::logic_error("the matching trigger did not match");
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(list.match(CHANNEL_LINE));
    }
}
BENCHMARK(BM_TriggersHundred);

// What one pathological trigger costs a line before it gives up at PCRE2's limits.
void BM_TriggerGivingUp(benchmark::State& state) {
    qvchat2::TriggerList list;
    add(list, "/(\\w+\\s?)+$/ hide");
    const std::string line = std::string(CHANNEL_LINE) + "!";
    if (list.match(line).notices.empty()) {
        throw std::logic_error("the costly trigger did not give up");
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(list.match(line));
    }
}
BENCHMARK(BM_TriggerGivingUp);

}  // namespace
