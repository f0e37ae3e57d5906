// The spelling of the input line, asked at every key: the misspelt words of a typed line once
// the checker remembers its words, and the first call that asks the dictionary about them all.

#include <benchmark/benchmark.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "gui/model/line_editor.h"
#include "gui/spelling/misspelt_words.h"
#include "gui/spelling/spell_checker.h"

namespace {

// About `bytes` of chat as typed: words right and wrong, names, a link, a number.
std::string typed_line(std::size_t bytes) {
    static const char* const words[] = {
        "the",   "quick",  "brwon", "fox", "jumps",      "ovr", "Marek",
        "lazy",  "dogs",   "don't", "2nd", "well-known", "teh", "https://example.org/x",
        "tower", "speling"};
    std::string line;
    for (std::size_t index = 0; line.size() < bytes; ++index) {
        line += words[index % (sizeof(words) / sizeof(words[0]))];
        line += ' ';
    }
    line.resize(bytes);
    return line;
}

// A different run of letters for every number: a word no earlier round asked about.
std::string letters_for(std::size_t number) {
    std::string letters;
    do {
        letters += static_cast<char>('a' + number % 26);
        number /= 26;
    } while (number > 0);
    return letters;
}

std::unique_ptr<qvchat2gui::SpellChecker> english() {
    std::string problem;
    std::unique_ptr<qvchat2gui::SpellChecker> checker =
        qvchat2gui::SpellChecker::open("en_US", problem);
    if (!checker) {
        throw std::runtime_error(problem);
    }
    checker->set_accepted_words([] { return std::vector<std::string>{"Marek", "Ysolde"}; });
    return checker;
}

// A key press once the words are remembered: the whole line scanned again.
void BM_MisspeltWordsRemembered(benchmark::State& state) {
    const std::unique_ptr<qvchat2gui::SpellChecker> checker = english();
    const std::string line = typed_line(static_cast<std::size_t>(state.range(0)));
    qvchat2gui::misspelt_words(line, *checker, line.size());
    for (auto _ : state) {
        benchmark::DoNotOptimize(qvchat2gui::misspelt_words(line, *checker));
    }
}
BENCHMARK(BM_MisspeltWordsRemembered)->Arg(100)->Arg(1000)->Arg(65536);

// Words never seen: each one asked of the dictionary, within the per-call bound.
void BM_MisspeltWordsNewWords(benchmark::State& state) {
    const std::unique_ptr<qvchat2gui::SpellChecker> checker = english();
    std::size_t round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::string line;
        for (std::size_t word = 0; word < qvchat2gui::MAX_NEW_WORDS_PER_LINE; ++word) {
            line += "wurd" + letters_for(round++) + ' ';
        }
        state.ResumeTiming();
        benchmark::DoNotOptimize(qvchat2gui::misspelt_words(line, *checker));
    }
}
BENCHMARK(BM_MisspeltWordsNewWords)->Unit(benchmark::kMillisecond);

// One key typed at the end of a 1,000-byte line with spelling on, as the full screen handles it:
// the editor takes the key, and the rows shown are found with their misspelt words. The letters
// typed make new words, so each key asks the dictionary about the word being typed.
void BM_TypingWithSpelling(benchmark::State& state) {
    constexpr int WIDTH = 78;
    constexpr std::size_t LINE_BYTES = 1000;
    const std::unique_ptr<qvchat2gui::SpellChecker> checker = english();
    const std::string start = typed_line(LINE_BYTES);
    qvchat2gui::LineEditor editor;
    const auto fill = [&editor, &start] {
        editor = qvchat2gui::LineEditor();
        for (const char byte : start) {
            editor.handle_key(static_cast<unsigned char>(byte), WIDTH);
        }
    };
    fill();
    qvchat2gui::misspelt_words(editor.line(), *checker, editor.line().size());
    std::size_t typed = 0;
    for (auto _ : state) {
        if (editor.line().size() >= LINE_BYTES + 64) {
            state.PauseTiming();
            fill();
            state.ResumeTiming();
        }
        const std::string word = letters_for(typed / 6);
        const int key =
            typed % 6 == 5 ? ' ' : static_cast<unsigned char>(word[typed % 6 % word.size()]);
        ++typed;
        editor.handle_key(key, WIDTH);
        benchmark::DoNotOptimize(editor.visible_rows());
        benchmark::DoNotOptimize(editor.visible_row_starts());
        benchmark::DoNotOptimize(qvchat2gui::misspelt_words(editor.line(), *checker));
    }
}
BENCHMARK(BM_TypingWithSpelling)->Unit(benchmark::kMicrosecond);

}  // namespace
