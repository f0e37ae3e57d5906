// Search patterns on chat lines: parse_search_argument on what the user typed after a search
// command, and TextMatcher's matches and find_all for that pattern on any line. Plain text is
// compared with a plain reading of the search rules; for a regular expression the ranges found
// must still be sound, since the screen paints them and the reader cuts lines at them.
//
// Input: one option byte (bit 0: the pattern is a regular expression; bit 1: the pattern goes
// through parse_search_argument first, as a typed command's argument does), the pattern up to
// the first line feed (a typed line holds none), then the line searched.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "fuzz/check.h"
#include "gui/model/chat_text.h"
#include "gui/model/text_matcher.h"

namespace {

using qvchat2gui::MatchRange;
using qvchat2gui::PatternKind;
using qvfuzz::check;

bool is_upper(unsigned char byte) {
    return (byte >= 'A' && byte <= 'Z') || (byte >= 0xC0 && byte <= 0xDE && byte != 0xD7);
}

bool is_lower(unsigned char byte) {
    return (byte >= 'a' && byte <= 'z') || (byte >= 0xE0 && byte <= 0xFE && byte != 0xF7);
}

// Case is ignored for the letters that have their other case among the 256 bytes: ASCII and the
// Latin-1 letters 0xC0-0xDE and 0xE0-0xFE (but the signs 0xD7 and 0xF7).
unsigned char folded(unsigned char byte) {
    return is_upper(byte) ? static_cast<unsigned char>(byte + 0x20) : byte;
}

bool same_byte(char a, char b, bool ignore_case) {
    const auto left = static_cast<unsigned char>(a);
    const auto right = static_cast<unsigned char>(b);
    return ignore_case ? folded(left) == folded(right) : left == right;
}

// A plain search, step by step: control bytes take no part on either side; case is ignored when
// the pattern holds no upper-case letter; the matches are the leftmost ones, each search going on
// after the end of the last; a range runs from the first byte matched to the last, in the line.
std::vector<MatchRange> plain_model(const std::string& pattern, std::string_view line) {
    std::string needle;
    bool ignore_case = true;
    for (const char byte : pattern) {
        if (!qvchat2gui::is_control_character(byte)) {
            needle += byte;
            ignore_case = ignore_case && !is_upper(static_cast<unsigned char>(byte));
        }
    }
    std::string kept;
    std::vector<std::size_t> origin;
    for (std::size_t at = 0; at < line.size(); ++at) {
        if (!qvchat2gui::is_control_character(line[at])) {
            kept += line[at];
            origin.push_back(at);
        }
    }
    std::vector<MatchRange> ranges;
    if (needle.empty()) {
        return ranges;
    }
    std::size_t start = 0;
    while (start + needle.size() <= kept.size()) {
        std::size_t length = 0;
        while (length < needle.size() &&
               same_byte(kept[start + length], needle[length], ignore_case)) {
            ++length;
        }
        if (length == needle.size()) {
            ranges.push_back({origin[start], origin[start + length - 1] + 1});
            start += length;
        } else {
            ++start;
        }
    }
    return ranges;
}

void check_parsed_argument(const std::string& argument, const std::string& pattern,
                           PatternKind kind) {
    const auto first = argument.find_first_not_of(' ');
    const std::string trimmed =
        first == std::string::npos
            ? ""
            : argument.substr(first, argument.find_last_not_of(' ') - first + 1);
    if (kind == PatternKind::regex) {
        check(trimmed == "/" + pattern + "/" && !pattern.empty(),
              "a regular expression is what stands between the slashes");
    } else {
        check(pattern == trimmed, "plain text is the argument without the spaces around it");
        check(trimmed.size() <= 2 || trimmed.front() != '/' || trimmed.back() != '/',
              "an argument between slashes is a regular expression");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) {
        return 0;
    }
    const std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
    const auto pattern_end = std::min(input.find('\n'), input.size());
    std::string pattern(input.substr(0, pattern_end));
    const std::string_view line = input.substr(std::min(pattern_end + 1, input.size()));

    auto kind = (data[0] & 1U) != 0 ? PatternKind::regex : PatternKind::plain;
    if ((data[0] & 2U) != 0) {
        const std::string argument = pattern;
        std::tie(pattern, kind) = qvchat2gui::parse_search_argument(argument);
        check_parsed_argument(argument, pattern, kind);
    }

    const qvchat2gui::TextMatcher matcher(pattern, kind);
    check(matcher.valid() == matcher.error().empty(), "an error is given exactly when not valid");
    std::vector<MatchRange> ranges{{7, 3}};  // replaced, whatever it held
    matcher.find_all(line, ranges);
    const bool matched = matcher.matches(line);

    std::size_t earliest = 0;
    for (const MatchRange& range : ranges) {
        check(range.begin >= earliest, "ranges come in order and do not overlap");
        check(range.begin < range.end, "no range is empty");
        check(range.end <= line.size(), "every range lies within the line");
        check(!qvchat2gui::is_control_character(line[range.begin]) &&
                  !qvchat2gui::is_control_character(line[range.end - 1]),
              "a range begins and ends on a byte that is shown");
        earliest = range.end;
    }
    check(ranges.empty() || matched, "a line with a range found matches");
    check(matcher.valid() || (ranges.empty() && !matched), "an invalid pattern matches nothing");

    if (kind == PatternKind::plain) {
        check(ranges == plain_model(pattern, line), "plain text is found as the search rules say");
        check(matched == !ranges.empty(), "plain text matches where it is found");
    }
    return 0;
}
