#include "gui/spelling/spell_checker.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "gui/spelling/dictionary_choice.h"
#include "gui/spelling/misspelt_words.h"
#include "gui/spelling/spelling_state.h"
#include "tests/support/ScopedEnv.h"

namespace {

using qvchat2gui::SpellChecker;
using ::testing::Contains;
using ::testing::ElementsAreArray;

std::unique_ptr<SpellChecker> english() {
    std::string problem;
    std::unique_ptr<SpellChecker> checker = SpellChecker::open("en_US", problem);
    EXPECT_EQ(problem, "");
    return checker;
}

// The marked words as text, for tables that read as the line does.
std::vector<std::string> marked(const std::string& line, SpellChecker& checker) {
    std::vector<std::string> words;
    for (const qvchat2gui::MatchRange& range : qvchat2gui::misspelt_words(line, checker)) {
        words.push_back(line.substr(range.begin, range.end - range.begin));
    }
    return words;
}

TEST(SpellChecker, OpensOnlyAnInstalledDictionaryAndNamesTheOneMissing) {
    std::string problem = "left over";
    EXPECT_EQ(SpellChecker::open("0", problem), nullptr);
    EXPECT_EQ(problem, "");
    EXPECT_EQ(SpellChecker::open("xx_YY", problem), nullptr);
    EXPECT_EQ(problem, "Spelling is off: no dictionary \"xx_YY\" is installed.");
    EXPECT_EQ(english()->dictionary(), "en_US");

    const qvtest::ScopedEnv all{"LC_ALL", "C.UTF-8"};
    std::unique_ptr<SpellChecker> from_locale = SpellChecker::open("1", problem);
    ASSERT_NE(from_locale, nullptr) << problem;
    EXPECT_EQ(from_locale->dictionary(), "en_US") << "the C locale falls back to en_US";
}

TEST(DictionaryChoice, OneTakesTheLanguageOfTheLocale) {
    const struct {
        const char* all;
        const char* messages;
        const char* lang;
        const char* dictionary;
    } cases[] = {
        {"de_DE.UTF-8", "fr_FR", "it_IT", "de_DE"},
        {"", "fr_FR.ISO-8859-1", "it_IT", "fr_FR"},
        {"", "", "sr_RS@latin", "sr_RS"},
        {"", "", "POSIX", "en_US"},
        {"", "", "", "en_US"},
    };
    for (const auto& each : cases) {
        const qvtest::ScopedEnv all{"LC_ALL", each.all};
        const qvtest::ScopedEnv messages{"LC_MESSAGES", each.messages};
        const qvtest::ScopedEnv lang{"LANG", each.lang};
        EXPECT_EQ(qvchat2gui::dictionary_for_setting("1"), std::string(each.dictionary))
            << each.all << each.messages << each.lang;
    }
    EXPECT_EQ(qvchat2gui::dictionary_for_setting("0"), std::nullopt);
    EXPECT_EQ(qvchat2gui::dictionary_for_setting("nl_NL"), std::string("nl_NL"));
}

TEST(SpellChecker, KnowsDictionaryLearnedSeenAndHighlightedWords) {
    std::unique_ptr<SpellChecker> checker = english();
    checker->set_accepted_words([] {
        return std::vector<std::string>{"Marek", "dragon slayer", "/xyz[a-z]+/"};
    });
    EXPECT_TRUE(checker->learn("Quorvan"));
    EXPECT_TRUE(checker->learn("Zo\xEB"));
    EXPECT_FALSE(checker->learn("QUORVAN")) << "the same word in other ASCII case";
    const struct {
        std::string word;
        bool known;
    } cases[] = {
        {"house", true},        {"teh", false},
        {"don't", true},        {"sword-smith", true},  // each part is a word
        {"sword-smiht", false}, {"Zo\xEB", true},
        {"zo\xEB", true},       {"quorvan", true},
        {"marek", true},        {"Marek's", true},
        {"slayer", true},       {"xyzzyq", false},
        {"xyzabc", false},      {std::string(SpellChecker::MAX_WORD_BYTES + 1, 'a'), false},
    };
    for (const auto& each : cases) {
        EXPECT_EQ(checker->known(each.word), each.known) << each.word;
    }
    EXPECT_TRUE(checker->forget("quorvan"));
    EXPECT_FALSE(checker->known("Quorvan"));
    EXPECT_THAT(checker->learned(), ElementsAreArray({"Zo\xEB"}));
}

TEST(SpellChecker, SuggestsInLatin1AndRemembersWithinItsBound) {
    std::unique_ptr<SpellChecker> checker = english();
    const std::vector<std::string> for_teh = checker->suggestions("teh");
    EXPECT_THAT(for_teh, Contains("the"));
    EXPECT_LE(for_teh.size(), SpellChecker::MAX_SUGGESTIONS);
    EXPECT_THAT(checker->suggestions("na\xEFve"), Contains("naive")) << "asked in UTF-8";

    EXPECT_FALSE(checker->remembered("house"));
    checker->known("house");
    EXPECT_TRUE(checker->remembered("house"));
    // Enough new words to pass the bound: the answers kept before are let go.
    const std::size_t words_past_bound = SpellChecker::MAX_REMEMBERED_BYTES / 64;
    for (std::size_t index = 0; index < words_past_bound; ++index) {
        checker->known("w" + std::to_string(index));
    }
    EXPECT_FALSE(checker->remembered("house"));
}

TEST(MisspeltWords, MarksOnlyTheWordsOfTheLineThatCountAsWords) {
    std::unique_ptr<SpellChecker> checker = english();
    const struct {
        const char* line;
        std::vector<std::string> marked;
    } cases[] = {
        {"teh house is hwere", {"teh", "hwere"}},
        {"#spel add teh", {"teh"}},  // not the command word
        {"/Xqzor teh", {"teh"}},     // not whom it goes to
        {"see https://teh.example/hwere teh", {"teh"}},
        {"www.tehh.com and teh", {"teh"}},
        {"mp3 2nd teh4 abc_def teh", {"teh"}},  // runs with digits or "_"
        {"'teh' don't hwere''teh", {"teh", "hwere", "teh"}},
        {"sword-smiht --teh--", {"sword-smiht", "teh"}},
        {"h\xF6use house\xD7house", {"h\xF6use"}},  // a Latin-1 letter, then a sign
        {"", {}},
    };
    for (const auto& each : cases) {
        EXPECT_THAT(marked(each.line, *checker), ElementsAreArray(each.marked)) << each.line;
    }
}

TEST(MisspeltWords, LooksUpABoundedNumberOfNewWordsPerCall) {
    std::unique_ptr<SpellChecker> checker = english();
    const std::string line = "tehh hwere qzorb";
    EXPECT_EQ(qvchat2gui::misspelt_words(line, *checker, 2).size(), 2U);
    EXPECT_EQ(qvchat2gui::misspelt_words(line, *checker, 0).size(), 2U) << "remembered ones only";
    EXPECT_EQ(qvchat2gui::misspelt_words(line, *checker, 1).size(), 3U);
}

TEST(SpellingState, KeepsLearnedAndAcceptedWordsAcrossADictionaryChange) {
    qvchat2gui::SpellingState state;
    state.set_learned({"Quorvan", "quorvan", "Zyxth"});
    EXPECT_THAT(state.learned(), ElementsAreArray({"Quorvan", "Zyxth"}));
    EXPECT_EQ(state.use("0"), "");
    EXPECT_EQ(state.checker(), nullptr);
    EXPECT_TRUE(state.forget("zyxth")) << "learned while off";
    state.set_accepted_words([] { return std::vector<std::string>{"Marek"}; });
    EXPECT_EQ(state.use("en_US"), "");
    ASSERT_NE(state.checker(), nullptr);
    EXPECT_TRUE(state.checker()->known("Quorvan"));
    EXPECT_FALSE(state.checker()->known("Zyxth"));
    EXPECT_TRUE(state.checker()->known("Marek"));
    EXPECT_NE(state.use("xx_YY"), "");
    EXPECT_EQ(state.checker(), nullptr);
}

}  // namespace
