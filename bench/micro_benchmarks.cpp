// Google Benchmark micro-benchmarks of the per-line work of the receiving and sending paths:
// word wrap into the scroll-back, the line building of incoming text, the log record, and the
// framing of an outgoing message.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "app/log.h"
#include "bench/realistic_triggers.h"
#include "bench/scroll_back_gui.h"
#include "chat/afk.h"
#include "chat/callbacks.h"
#include "chat/filter_commands.h"
#include "chat/highlight_words.h"
#include "chat/ignore_list.h"
#include "chat/registration.h"
#include "chat/text_split.h"
#include "chat/trigger_commands.h"
#include "gui/model/scroll_back.h"
#include "gui/model/text_matcher.h"
#include "gui/model/text_wrap.h"
#include "network/Packet.h"
#include "network/QVClient.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"
#include "tools/demo_flood.h"

namespace {

constexpr int COLUMNS = 80;
constexpr int ROWS = 40;
constexpr std::size_t FLOOD_SIZE = 1000;

// The payloads of a flood: the four kinds of text in turn, 40 to 200 bytes long.
const std::vector<qvnetworklib::ByteVector>& flood_payloads() {
    static const std::vector<qvnetworklib::ByteVector> payloads = [] {
        std::vector<qvnetworklib::ByteVector> made;
        for (std::size_t number = 1; number <= FLOOD_SIZE; ++number) {
            made.push_back(qvdemo::flood_line(number, FLOOD_SIZE).data);
        }
        return made;
    }();
    return payloads;
}

// A text of `length` bytes that starts with a colour byte and has spaces between words.
std::string chat_text(std::size_t length) {
    std::string text(1, static_cast<char>(17));
    for (std::size_t i = 0; text.size() < length; ++i) {
        text.push_back(i % 7 == 6 ? ' ' : static_cast<char>('a' + i % 26));
    }
    return text;
}

// word_wrap into a full scroll-back list (1000 display lines), as add_chat_line does.
void BM_WordWrap(benchmark::State& state) {
    const std::string text = chat_text(static_cast<std::size_t>(state.range(0)));
    std::vector<std::string> lines(qvchat2gui::ScrollBack::MAX_LEN, chat_text(60));
    const int width = qvchat2gui::wrap_width(COLUMNS);
    for (auto _ : state) {
        qvchat2gui::word_wrap(text, lines, width);
        lines.resize(qvchat2gui::ScrollBack::MAX_LEN);
        benchmark::DoNotOptimize(lines.data());
    }
}
BENCHMARK(BM_WordWrap)->Arg(60)->Arg(150)->Arg(400);

// One flood line added to a full scroll-back: wrap, append, trim.
void BM_ScrollBackAdd(benchmark::State& state) {
    qvchat2gui::ScrollBack scroll_back(COLUMNS, ROWS);
    std::vector<std::string> texts;
    for (const auto& payload : flood_payloads()) {
        texts.emplace_back(payload.begin() + 2, payload.end());
    }
    for (const std::string& text : texts) {
        scroll_back.add(text);
    }
    std::size_t next = 0;
    for (auto _ : state) {
        scroll_back.add(texts[next]);
        next = (next + 1) % texts.size();
    }
}
BENCHMARK(BM_ScrollBackAdd);

// Splitting the raw text of the four kinds of flood line by channel code.
void BM_SplitRawText(benchmark::State& state) {
    const auto& payloads = flood_payloads();
    std::size_t next = 0;
    for (auto _ : state) {
        const auto& payload = payloads[next];
        const qvchat2::SplitText split =
            qvchat2::split_raw_text(payload[0], std::string(payload.begin() + 2, payload.end()));
        benchmark::DoNotOptimize(split.message.data());
        next = (next + 1) % payloads.size();
    }
}
BENCHMARK(BM_SplitRawText);

void BM_RemoveSpecialCharacters(benchmark::State& state) {
    const std::string text = chat_text(150);
    for (auto _ : state) {
        benchmark::DoNotOptimize(qvchat2::remove_special_characters(text).data());
    }
}
BENCHMARK(BM_RemoveSpecialCharacters);

// The whole handler of one raw-text message as start-up registers it: split, line building,
// log record, AFK rules, wrap into the scroll-back. With state.range(0) = 0 nothing is logged,
// with 1 every record is written to a file and flushed; state.range(1) is the setting
// scrollback (0: 1000 display rows); with state.range(2) = 1, 100 players are ignored and 50
// highlight words set, none of which the flood's lines hold; with 2, repeats are folded (the
// flood's lines differ, so every line is compared with the 20 newest and none folds); with 3,
// a hundred triggers are set (bench/realistic_triggers.h), none of which the flood's lines match.
void BM_OnRawText(benchmark::State& state) {
    const bool filters = state.range(2) == 1;
    const auto now = qvchat2::WallClock::now();
    for (int index = 0; filters && index < 100; ++index) {
        qvchat2::ignore_list().ignore("Player" + std::to_string(index), std::nullopt, now);
    }
    for (int index = 0; filters && index < 50; ++index) {
        qvchat2::highlight_words().add("word" + std::to_string(index));
    }
    const qvtest::TempDir documents;
    const qvtest::ScopedEnv documents_folder("XDG_DOCUMENTS_DIR", documents.path().string());
    qvbench::ScrollBackGUI gui(COLUMNS, ROWS, static_cast<std::size_t>(state.range(1)));
    gui.fold_repeats(state.range(2) == 2);
    if (state.range(2) == 3) {
        qvbench::add_realistic_triggers(qvchat2::triggers());
    }
    qvchat2::Logger logger(state.range(0) == 0 ? qvchat2::LOG_NONE : qvchat2::LOG_COMBINED,
                           "bench");
    const auto afk = qvchat2::create_afk_state(qvchat2::Settings(), &gui);
    qvnetworklib::Client client("bob", "secret", {"127.0.0.1", "1", "bench"});
    const auto& payloads = flood_payloads();
    std::size_t next = 0;
    for (auto _ : state) {
        qvchat2::on_raw_text(&gui, &logger, afk.get(), &client, payloads[next]);
        next = (next + 1) % payloads.size();
    }
    for (int index = 0; filters && index < 100; ++index) {
        qvchat2::ignore_list().unignore("Player" + std::to_string(index));
    }
    while (qvchat2::triggers().size() > 0) {
        qvchat2::triggers().remove(1);
    }
    for (int index = 0; filters && index < 50; ++index) {
        qvchat2::highlight_words().remove("word" + std::to_string(index));
    }
}
BENCHMARK(BM_OnRawText)
    ->Args({0, 0, 0})
    ->Args({1, 0, 0})
    ->Args({0, 100000, 0})
    ->Args({0, 0, 1})
    ->Args({1, 0, 1})
    ->Args({0, 0, 2})
    ->Args({0, 0, 3});

void BM_GetDateString(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(qvchat2::get_date_string().data());
    }
}
BENCHMARK(BM_GetDateString);

// Framing one outgoing message into the reused buffer, as do_send does.
void BM_AppendFrame(benchmark::State& state) {
    const qvnetworklib::SendPacket packet{
        qvnetworklib::OUT_RAW_TEXT,
        qvnetworklib::ByteVector(static_cast<std::size_t>(state.range(0)), 'x')};
    qvnetworklib::ByteVector frame;
    for (auto _ : state) {
        frame.clear();
        qvnetworklib::append_frame(packet, frame);
        benchmark::DoNotOptimize(frame.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_AppendFrame)->Arg(0)->Arg(100)->Arg(1000);

// One line of the search over the scroll-back as the user types: a typical line (a leading colour
// byte, 100 bytes) that does not match, with a plain pattern and with a regular expression.
void BM_TextMatcherPlain(benchmark::State& state) {
    const qvchat2gui::TextMatcher matcher("walk", qvchat2gui::PatternKind::plain);
    const std::string text = chat_text(100);
    for (auto _ : state) {
        benchmark::DoNotOptimize(matcher.matches(text));
    }
}
BENCHMARK(BM_TextMatcherPlain);

void BM_TextMatcherRegex(benchmark::State& state) {
    const qvchat2gui::TextMatcher matcher("w[ao]lk|\\brun\\w+", qvchat2gui::PatternKind::regex);
    const std::string text = chat_text(100);
    for (auto _ : state) {
        benchmark::DoNotOptimize(matcher.matches(text));
    }
}
BENCHMARK(BM_TextMatcherRegex);

// The highlight test of every received line: 50 words and phrases, a 100-byte line that holds none.
void BM_HighlightWords(benchmark::State& state) {
    qvchat2::HighlightWords words;
    for (int index = 0; index < 45; ++index) {
        words.add("word" + std::to_string(index));
    }
    for (int index = 0; index < 5; ++index) {
        words.add("good morning " + std::to_string(index));
    }
    const std::string text = chat_text(100);
    for (auto _ : state) {
        benchmark::DoNotOptimize(words.names_in(text));
    }
}
BENCHMARK(BM_HighlightWords);

// The ignore test of every received line: 100 names, a speaker who is not one of them.
void BM_IgnoreList(benchmark::State& state) {
    qvchat2::IgnoreList ignored;
    const auto now = qvchat2::WallClock::now();
    for (int index = 0; index < 100; ++index) {
        ignored.ignore("Player" + std::to_string(index), std::nullopt, now);
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(ignored.hides("Marek", now));
    }
}
BENCHMARK(BM_IgnoreList);

}  // namespace

BENCHMARK_MAIN();
