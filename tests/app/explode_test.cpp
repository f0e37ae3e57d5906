#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/config.h"

using qvchat2::explode;
using ::testing::ElementsAre;

TEST(Explode, SplitsAtSingleDelimiters) {
    EXPECT_THAT(explode("a b", " "), ElementsAre("a", "b"));
}

TEST(Explode, TrailingDelimiterBecomesAFinalElement) {
    EXPECT_THAT(explode("a b ", " "), ElementsAre("a", "b", " "));
    EXPECT_THAT(explode("a b \t ", " \t"), ElementsAre("a", "b", " \t "));
}

TEST(Explode, EmptyTextGivesOneEmptyElement) {
    EXPECT_THAT(explode("", " "), ElementsAre(""));
}

TEST(Explode, OnlyDelimitersGiveTheWholeText) {
    EXPECT_THAT(explode("  \t ", " \t"), ElementsAre("  \t "));
}

TEST(Explode, SkipsLeadingDelimitersAndRunsOfMixedDelimiters) {
    EXPECT_THAT(explode(" \tmain \t\t main  127.0.0.1\t2000", "\t "),
                ElementsAre("main", "main", "127.0.0.1", "2000"));
}

TEST(Explode, EveryCharacterOfTheSetDelimits) {
    EXPECT_THAT(explode("a,b;c", ",;"), ElementsAre("a", "b", "c"));
}
