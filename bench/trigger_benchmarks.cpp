// The triggers asked of every received line: none, a hundred of which one matches, and one that
// gives up.

#include <benchmark/benchmark.h>

#include <stdexcept>
#include <string>
#include <string_view>

#include "bench/realistic_triggers.h"
#include "chat/trigger_list.h"

namespace {

// A channel line as shown, about 80 bytes with its colour bytes: one first, one inside a word.
constexpr std::string_view CHANNEL_LINE =
    "\x80[Ann @ 3]: selling 20 iron ore, PM me; also 5 sil\x81ver bars and a rune of warding";

void BM_TriggersNone(benchmark::State& state) {
    const qvchat2::TriggerList list;
    for (auto _ : state) {
        benchmark::DoNotOptimize(list.match(CHANNEL_LINE));
    }
}
BENCHMARK(BM_TriggersNone);

void BM_TriggersHundred(benchmark::State& state) {
    qvchat2::TriggerList list;
    qvbench::add_realistic_triggers(list);
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
    if (!list.add("/(\\w+\\s?)+$/ hide").accepted) {
        throw std::logic_error("the costly trigger is refused");
    }
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
