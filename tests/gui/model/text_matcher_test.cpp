#include "gui/model/text_matcher.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace qvchat2gui {
namespace {

// "begin-end" of each range, for readable failures.
std::string spans(const std::vector<MatchRange>& ranges) {
    std::string shown;
    for (const MatchRange& range : ranges) {
        shown += (shown.empty() ? "" : " ") + std::to_string(range.begin) + "-" +
                 std::to_string(range.end);
    }
    return shown;
}

std::string found_in(const TextMatcher& matcher, const std::string& text) {
    std::vector<MatchRange> ranges{{99, 99}};  // what was there before is replaced
    matcher.find_all(text, ranges);
    EXPECT_EQ(matcher.matches(text), !ranges.empty()) << text;
    // A line stripped once for many matchers is matched as the line itself.
    EXPECT_EQ(matcher.match(MatchableText(text)) == MatchResult::found, !ranges.empty()) << text;
    return spans(ranges);
}

struct MatchCase {
    const char* pattern;
    PatternKind kind;
    std::string text;
    const char* found;  // the ranges, "" for no match
};

constexpr PatternKind PLAIN = PatternKind::plain;
constexpr PatternKind REGEX = PatternKind::regex;

TEST(TextMatcher, FindsEveryMatchWithCaseColourAndLatin1Rules) {
    const MatchCase cases[] = {
        // Smart case: an upper-case letter in the pattern makes case count.
        {"walk", PLAIN, "\x80I walk", "3-7"},
        {"walk", PLAIN, "\x80Walk and WALK", "1-5 10-14"},
        {"Walk", PLAIN, "\x80walk and Walk and WALK", "10-14"},
        {"WALK", PLAIN, "\x80walk Walk", ""},
        // Latin-1 letters fold like ASCII; signs without case do not.
        {"zo\xEB", PLAIN, "ZO\xCB and Zo\xEB", "0-3 8-11"},
        {"ZO\xCB", PLAIN, "zo\xEB ZO\xCB", "4-7"},
        {"\xE0", PLAIN, "\xC0 \xE0", "0-1 2-3"},
        {"\xC0", PLAIN, "\xE0", ""},
        {"\xD7", PLAIN, "\xF7\xD7", "1-2"},
        {"\xB5", PLAIN, "\xB5", "0-1"},
        // Colour and control bytes take no part; a match spans those inside it.
        {"walk", PLAIN, "\x80wa\x85lk", "1-6"},
        {"walk", PLAIN, std::string("\x80w\0alk\x81 wa\x9A\x9Blk", 14), "1-6 8-14"},
        {"a b", PLAIN,
         "\x80"
         "a\x81 \x82"
         "b",
         "1-6"},
        {"walk", PLAIN, "\x80\x81\x82", ""},
        // Plain text is literal; matches do not overlap.
        {"a.c", PLAIN, "abc a.c", "4-7"},
        {"(x", PLAIN, "\x80(x)", "1-3"},
        {"aa", PLAIN, "aaaaa", "0-2 2-4"},
        // Regular expressions: groups, anchors (the leading colour byte does not count), Latin-1
        // word characters, escapes whose letters do not switch case on.
        {"^w(a|o)lk", REGEX, "\x80walk wolk", "1-5"},
        {"k$", REGEX, "wal\x80k\x81", "4-5"},
        {"\\w+", REGEX, "\x80\xE9t\xE9 x", "1-4 5-6"},
        {"\\bwalk\\b", REGEX, "sidewalk WALK", "9-13"},
        {"\\Swalk", REGEX, "xWALK", "0-5"},
        {"\\x41b", REGEX, "ab AB", "0-2 3-5"},
        {"x*", REGEX, "axb", "1-2"},
        // An empty match marks nothing and never hides a match at its place; \K moves a start.
        {"a*", REGEX, "baab", "1-3"},
        {"(?=a)|a", REGEX, "aa", "0-1 1-2"},
        {"a\\Kb", REGEX, "abab", "1-2 3-4"},
        {"(x)*y", REGEX, std::string(3000, 'x') + "y", "0-3001"},  // deep backtracking
    };
    for (const auto& [pattern, kind, text, found] : cases) {
        const TextMatcher matcher(pattern, kind);
        ASSERT_TRUE(matcher.valid()) << pattern << ": " << matcher.error();
        EXPECT_EQ(found_in(matcher, text), found) << "'" << pattern << "' in '" << text << "'";
    }
    // An empty match is a match of the line, though it marks nothing.
    EXPECT_TRUE(TextMatcher("(?=walk)", REGEX).matches("walk"));
    EXPECT_TRUE(TextMatcher("^$", REGEX).matches(std::string_view()));
}

TEST(TextMatcher, UnusablePatternSaysWhyAndMatchesNothing) {
    const std::pair<TextMatcher, const char*> unusable[] = {
        {TextMatcher("(walk", REGEX), "missing closing parenthesis at 5"},
        {TextMatcher("a{2,1}", REGEX), "numbers out of order in {} quantifier at 5"},
        {TextMatcher("(*UTF)x", REGEX), "using UTF is disabled by the application at 6"},
        // A match that could end before it begins.
        {TextMatcher("(?<=\\Ka)b", REGEX),
         "\\K is not allowed in lookarounds (but see PCRE2_EXTRA_ALLOW_LOOKAROUND_BSK) at 9"},
        {TextMatcher("(?=ab\\K)", REGEX),
         "\\K is not allowed in lookarounds (but see PCRE2_EXTRA_ALLOW_LOOKAROUND_BSK) at 8"},
        {TextMatcher("", REGEX), "empty pattern"},
        {TextMatcher("", PLAIN), "empty pattern"},
        {TextMatcher("\x80\x01", PLAIN), "empty pattern"},
    };
    for (const auto& [matcher, error] : unusable) {
        EXPECT_FALSE(matcher.valid()) << error;
        EXPECT_EQ(matcher.error(), error);
        EXPECT_EQ(found_in(matcher, "(walk a{2,1} x"), "") << error;
    }
    EXPECT_EQ(TextMatcher("walk", PLAIN).error(), "");
}

// Whatever is typed, matching ends and stays in bounds (the sanitizer builds watch the bounds).
TEST(TextMatcher, HostilePatternsAndTextsEndWithoutFault) {
    const std::string runaway = std::string(40, 'a') + "!";
    const TextMatcher catastrophic("(a+)+$", REGEX);
    ASSERT_TRUE(catastrophic.valid());
    EXPECT_FALSE(catastrophic.matches(runaway));
    // The caller that must tell the user learns that the search gave up, not that it found none.
    EXPECT_EQ(catastrophic.match(runaway), MatchResult::gave_up);
    EXPECT_EQ(catastrophic.match("aaa"), MatchResult::found);
    EXPECT_EQ(catastrophic.match("a!"), MatchResult::not_found);
    EXPECT_GT(catastrophic.compiled_bytes(), 0U);
    EXPECT_EQ(TextMatcher("(", REGEX).compiled_bytes(), 0U);
    EXPECT_EQ(found_in(TextMatcher("(a|aa)+b", REGEX), runaway), "");
    // Matches at every byte, each only after heavy backtracking: a line of a chat frame's size
    // once took as many searches at the match limit as it has bytes, an hour of painting.
    const TextMatcher slow_at_every_byte("(?:(a|a){1,16}!)?a", REGEX);
    std::vector<MatchRange> ranges;
    slow_at_every_byte.find_all(std::string(60000, 'a'), ranges);
    for (std::size_t index = 1; index < ranges.size(); ++index) {
        EXPECT_LE(ranges[index - 1].end, ranges[index].begin);
    }

    const std::string every_byte = [] {
        std::string bytes;
        for (int byte = 0; byte < 256; ++byte) {
            bytes += static_cast<char>(byte);
        }
        return bytes;
    }();
    const std::string long_pattern(10000, 'x');
    const std::string every_byte_twice = "x" + every_byte + every_byte;
    const std::string long_pattern_twice = "\x80" + long_pattern + "\x81" + long_pattern;
    for (const PatternKind kind : {PLAIN, REGEX}) {
        const TextMatcher every(every_byte, kind);  // as a regex it does not compile
        EXPECT_EQ(every.valid(), kind == PLAIN) << every.error();
        EXPECT_EQ(found_in(every, every_byte_twice), kind == PLAIN ? "33-257 289-513" : "");
        const TextMatcher longest(long_pattern, kind);
        EXPECT_EQ(found_in(longest, long_pattern_twice), "1-10001 10002-20002");
    }
}

TEST(TextMatcher, SearchArgumentBetweenSlashesIsARegularExpression) {
    const std::tuple<const char*, const char*, PatternKind> arguments[] = {
        {"/a.c/", "a.c", REGEX}, {"  /a c/ ", "a c", REGEX}, {"/", "/", PLAIN},
        {"//", "//", PLAIN},     {"/x", "/x", PLAIN},        {"walk on", "walk on", PLAIN},
        {"   ", "", PLAIN},      {"x/y/", "x/y/", PLAIN},
    };
    for (const auto& [argument, pattern, kind] : arguments) {
        EXPECT_EQ(parse_search_argument(argument), std::make_pair(std::string(pattern), kind))
            << argument;
    }
}

}  // namespace
}  // namespace qvchat2gui
