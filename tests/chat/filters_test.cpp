#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "chat/highlight_words.h"
#include "chat/ignore_list.h"
#include "chat/muted_channels.h"
#include "chat/trigger_list.h"

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using namespace std::chrono_literals;

constexpr qvchat2::WallClock::time_point START{std::chrono::seconds{1'800'000'000}};

TEST(HighlightWords, FindsWordsPhrasesAndRegexesAsTheUsersNameIsFound) {
    qvchat2::HighlightWords words;
    for (const char* word :
         {"Al", "raid", "good morning", "c++", ":)", "Zo\xEB", "/dr[ae]gon\\d/"}) {
        ASSERT_TRUE(words.add(word).accepted) << word;
    }
    const struct {
        const char* text;
        bool named;
    } lines[] = {
        {"al, come here", true},
        {"Lovely weather for a walk.", false},
        {"RAID at nine", true},
        {"raiding at nine", false},
        {"the raid_", false},
        {"GOOD MORNING all", true},
        {"good morningstar", false},
        {"good  morning", false},
        {"good", false},
        {"I like c++.", true},
        {"c++x", false},
        {"nice :)", true},
        {"zo\xEB is here", true},   // ASCII letters fold
        {"ZO\xCB is here", false},  // Latin-1 letters do not
        {"\xC9zo\xEB", false},      // a Latin-1 letter is a word byte
        {"r\x85"
         "aid now",
         true},  // a colour byte inside a word does not hide it
        {"\x81"
         "Al\x82",
         true},
        {"a dragon7 flies", true},
        {"a dragon flies", false},
        {"", false},
    };
    for (const auto& line : lines) {
        EXPECT_EQ(words.names_in(line.text), line.named) << line.text;
    }
}

TEST(HighlightWords, EditsAndRefusals) {
    qvchat2::HighlightWords words;
    EXPECT_TRUE(words.add("  raid ").accepted);
    EXPECT_THAT(words.add("/x(/").message, HasSubstr("missing closing parenthesis"));
    EXPECT_FALSE(words.add("RAID").accepted);
    EXPECT_FALSE(words.add("   ").accepted);
    EXPECT_FALSE(words.add("a\x1B[2Jb").accepted);
    EXPECT_FALSE(words.add(std::string(qvchat2::MAX_HIGHLIGHT_BYTES + 1, 'a')).accepted);
    EXPECT_TRUE(words.add("/ra+id/").accepted);
    EXPECT_THAT(words.list(), ElementsAre("raid", "/ra+id/"));

    EXPECT_TRUE(words.remove("Raid"));
    EXPECT_FALSE(words.remove("raid"));
    EXPECT_FALSE(words.remove("/RA+ID/"));
    EXPECT_TRUE(words.names_in("raaid"));
    EXPECT_TRUE(words.remove("/ra+id/"));
    EXPECT_FALSE(words.names_in("raaid raid"));

    qvchat2::HighlightWords loaded;
    EXPECT_EQ(loaded.from_lines({"zap", "/(/", "/z[io]p/", "ZAP", ""}), 3U);
    EXPECT_THAT(loaded.to_lines(), ElementsAre("zap", "/z[io]p/"));
}

TEST(IgnoreList, HidesTheWholeNameWithoutCaseOrColour) {
    qvchat2::IgnoreList ignored;
    EXPECT_EQ(ignored.ignore("Marek", std::nullopt, START).message,
              "Ignoring Marek (private messages too) until you #unignore Marek.");
    const struct {
        const char* speaker;
        bool hidden;
    } speakers[] = {
        {"Marek", true},
        {"MAREK", true},
        {"\x85Mar\x86"
         "ek",
         true},
        {"Mare", false},
        {"Mareks", false},
        {"Marek ", false},
        {"", false},
    };
    for (const auto& speaker : speakers) {
        EXPECT_EQ(ignored.hides(speaker.speaker, START), speaker.hidden) << speaker.speaker;
    }
    ASSERT_EQ(ignored.entries(START).size(), 1U);
    EXPECT_EQ(ignored.entries(START)[0].lines_hidden, 3U);
    EXPECT_EQ(ignored.entries(START)[0].left, std::nullopt);

    for (const std::string& refused : {std::string(), std::string(33, 'x'), std::string("a\x1B")}) {
        EXPECT_FALSE(ignored.ignore(refused, std::nullopt, START).accepted);
    }
    EXPECT_TRUE(ignored.ignore(std::string(32, 'x'), std::nullopt, START).accepted);
    EXPECT_FALSE(ignored.ignore("Bob", 0min, START).accepted);

    EXPECT_TRUE(ignored.unignore("marek"));
    EXPECT_EQ(qvchat2::unignore_message("Marek", false), "Marek was not ignored.");
    EXPECT_FALSE(ignored.unignore("Marek"));
    EXPECT_FALSE(ignored.hides("Marek", START));
}

TEST(IgnoreList, ATimedIgnoreEndsAndOutlivesARestartThroughItsLines) {
    qvchat2::IgnoreList ignored;
    EXPECT_EQ(ignored.ignore("Marek", 30min, START).message, "Ignoring Marek for 30 minutes.");
    ignored.ignore("Ann", std::nullopt, START);
    EXPECT_TRUE(ignored.hides("marek", START + 29min));
    ASSERT_EQ(ignored.entries(START + 10min).size(), 2U);
    EXPECT_EQ(ignored.entries(START + 10min)[1].left, std::chrono::seconds{20min});

    const std::vector<std::string> lines = ignored.to_lines();
    EXPECT_THAT(lines, ElementsAre("Marek\t" + std::to_string(1'800'000'000 + 30 * 60), "Ann"));
    qvchat2::IgnoreList restarted;
    EXPECT_EQ(restarted.from_lines({lines[0], lines[1], "Bob\tsoon", "Cy\t", "Di\t99999999999",
                                    "Ed\t1", std::string(40, 'x')},
                                   START + 1min),
              4U);
    EXPECT_TRUE(restarted.hides("Marek", START + 1min));
    EXPECT_FALSE(restarted.hides("Ed", START + 1min));

    EXPECT_FALSE(ignored.hides("Marek", START + 30min));
    EXPECT_THAT(ignored.to_lines(), ElementsAre("Ann"));
}

TEST(MutedChannels, MutesListsAndReadsItsLines) {
    qvchat2::MutedChannels muted;
    EXPECT_EQ(muted.mute(12), qvchat2::MuteOutcome::muted);
    EXPECT_EQ(muted.mute(12), qvchat2::MuteOutcome::was_muted);
    EXPECT_EQ(muted.from_lines({"3", "4294967295", "4294967296", "-1", "+2", " 5", "x"}), 5U);
    EXPECT_THAT(muted.to_lines(), ElementsAre("12", "3", "4294967295"));
    EXPECT_TRUE(muted.is_muted(3));
    EXPECT_TRUE(muted.unmute(3));
    EXPECT_FALSE(muted.unmute(3));
    EXPECT_FALSE(muted.is_muted(3));
}

// Each list is saved in the order its entries were added, under one bound, so that the file's
// bound never drops the newest: a low channel muted last stayed out of a sorted mute.txt.
TEST(NameLists, SavedInTheOrderAddedWithOneBoundForAll) {
    const std::size_t bound = qvchat2::MAX_NAME_LIST_ENTRIES;
    qvchat2::IgnoreList ignored;
    qvchat2::HighlightWords words;
    qvchat2::MutedChannels muted;
    // Each adds its `index`-th entry, named so that the entries sort in the reverse of that order.
    const struct {
        const char* list;
        std::function<bool(std::size_t)> add;
        std::function<std::vector<std::string>()> lines;
    } lists[] = {
        {"ignore",
         [&](std::size_t index) {
             return ignored.ignore("p" + std::to_string(9999 - index), std::nullopt, START)
                 .accepted;
         },
         [&] { return ignored.to_lines(); }},
        {"highlight",
         [&](std::size_t index) { return words.add("w" + std::to_string(9999 - index)).accepted; },
         [&] { return words.to_lines(); }},
        {"mute",
         [&](std::size_t index) {
             return muted.mute(static_cast<std::uint32_t>(9999 - index)) ==
                    qvchat2::MuteOutcome::muted;
         },
         [&] { return muted.to_lines(); }},
    };
    for (const auto& list : lists) {
        for (std::size_t index = 0; index < bound; ++index) {
            ASSERT_TRUE(list.add(index)) << list.list << " " << index;
        }
        EXPECT_FALSE(list.add(bound)) << list.list;
        const std::vector<std::string> lines = list.lines();
        ASSERT_EQ(lines.size(), bound) << list.list;
        EXPECT_THAT(lines.front(), HasSubstr("9999")) << list.list;
        EXPECT_THAT(lines.back(), HasSubstr(std::to_string(9999 - bound + 1))) << list.list;
    }
}

// Lines are tested on several threads while the user edits the lists and the triggers.
TEST(FiltersConcurrency, LinesAreTestedWhileTheListsChange) {
    qvchat2::HighlightWords words;
    qvchat2::IgnoreList ignored;
    qvchat2::TriggerList triggers;
    words.add("/dragon/");
    ignored.ignore("Marek", std::nullopt, START);
    ASSERT_TRUE(triggers.add("/dragon/ bell").accepted);
    std::atomic<bool> stop{false};
    std::atomic<int> found{0};
    std::atomic<std::uint64_t> rung{0};
    std::vector<std::thread> readers;
    readers.reserve(3);
    for (int thread = 0; thread < 3; ++thread) {
        // Each reader tests at least once, however soon the edits are done.
        readers.emplace_back([&] {
            do {
                found += static_cast<int>(words.names_in("a dragon and a word7 here")) +
                         static_cast<int>(ignored.hides("Marek", START));
                rung += static_cast<std::uint64_t>(triggers.match("a dragon here").bell);
            } while (!stop);
        });
    }
    for (int round = 0; round < 200; ++round) {
        const std::string word = "word" + std::to_string(round % 10);
        words.add(word);
        words.remove(word);
        ignored.ignore("Bob" + std::to_string(round), 1min, START);
        EXPECT_TRUE(triggers.add(word + " hide").accepted);
        EXPECT_TRUE(triggers.remove(2).accepted);
    }
    stop = true;
    for (std::thread& reader : readers) {
        reader.join();
    }
    EXPECT_GT(found.load(), 0);
    const auto entries = ignored.entries(START);
    ASSERT_EQ(entries.size(), 201U);
    EXPECT_EQ(entries.back().name, "Marek");
    EXPECT_EQ(entries.back().lines_hidden * 2, static_cast<std::size_t>(found.load()));
    // A trigger's count outlives the edits of the others: no line is lost or counted twice.
    EXPECT_EQ(triggers.list().at(0).times_matched, rung.load());
}

}  // namespace
