#include "gui/spelling/spelling_suggestions.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "gui/spelling/spell_checker.h"

namespace {

using qvchat2gui::SpellChecker;
using qvchat2gui::SpellEdit;
using qvchat2gui::SpellingSuggestions;

class SuggestionKey : public ::testing::Test {
protected:
    void SetUp() override {
        std::string problem;
        checker = SpellChecker::open("en_US", problem);
        ASSERT_NE(checker, nullptr) << problem;
        teh_choices = checker->suggestions("teh");
        ASSERT_GE(teh_choices.size(), 2U);
    }

    // The press on `line` with the cursor at `cursor`, then as many again on what it left.
    std::vector<SpellEdit> presses(const std::string& line, std::size_t cursor, std::size_t count) {
        std::vector<SpellEdit> edits;
        std::string text = line;
        for (std::size_t press = 0; press < count; ++press) {
            const std::optional<SpellEdit> edit = key.next(text, cursor, *checker);
            if (!edit) {
                break;
            }
            edits.push_back(*edit);
            text = edit->line;
            cursor = edit->cursor;
        }
        return edits;
    }

    std::unique_ptr<SpellChecker> checker;
    std::vector<std::string> teh_choices;
    SpellingSuggestions key;
};

TEST_F(SuggestionKey, CyclesThroughTheSuggestionsThenBackToTheWordAsTyped) {
    const std::vector<SpellEdit> edits = presses("say teh word", 7, teh_choices.size() + 2);
    ASSERT_EQ(edits.size(), teh_choices.size() + 2);
    for (std::size_t index = 0; index < teh_choices.size(); ++index) {
        EXPECT_EQ(edits[index].line, "say " + teh_choices[index] + " word");
        EXPECT_EQ(edits[index].cursor, 4 + teh_choices[index].size());
    }
    EXPECT_EQ(edits[teh_choices.size()].line, "say teh word") << "back to the word as typed";
    EXPECT_EQ(edits.back().line, edits.front().line) << "and round again";
}

TEST_F(SuggestionKey, TakesTheMisspeltWordUnderOrBeforeTheCursor) {
    ASSERT_EQ(teh_choices[0], "the");
    const struct {
        const char* line;
        std::size_t cursor;
        const char* edited;
        std::size_t cursor_after;
        const char* message;
    } cases[] = {
        // The misspelt word before the cursor; the cursor stays beside it.
        {"teh house", 9, "the house", 9, "Suggestions for \"teh\": the, "},
        // The word the cursor is in; the cursor goes to its end.
        {"teh house", 1, "the house", 3, "Suggestions for \"teh\": the, "},
        {"a house", 7, "a house", 7, "\"house\" is spelt right"},
        {"say qzxvbnmkj", 5, "say qzxvbnmkj", 5, "No suggestions for \"qzxvbnmkj\""},
        {"teh", 99, "the", 3, "Suggestions for \"teh\": the, "},  // a cursor past the end
    };
    for (const auto& each : cases) {
        key.reset();
        const std::optional<SpellEdit> edit = key.next(each.line, each.cursor, *checker);
        ASSERT_TRUE(edit) << each.line;
        EXPECT_EQ(edit->line, each.edited) << each.line;
        EXPECT_EQ(edit->cursor, each.cursor_after) << each.line;
        EXPECT_EQ(edit->message.rfind(each.message, 0), 0U) << edit->message;
    }
    EXPECT_EQ(key.next("#spell", 6, *checker), std::nullopt) << "no word to look at";
}

TEST_F(SuggestionKey, AnyOtherChangeStartsAnew) {
    const std::optional<SpellEdit> first = key.next("teh", 3, *checker);
    ASSERT_TRUE(first);
    const std::optional<SpellEdit> after_typing = key.next(first->line + " teh", 7, *checker);
    ASSERT_TRUE(after_typing);
    EXPECT_EQ(after_typing->line, first->line + " " + teh_choices[0]);
}

}  // namespace
