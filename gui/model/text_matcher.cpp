#include "gui/model/text_matcher.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <chrono>
#include <iterator>

#include "gui/model/chat_text.h"

namespace qvchat2gui {

namespace {

// Enough for any sensible pattern over a chat line, small enough that a pattern such as (a+)+$
// costs milliseconds, not minutes, on each of a million lines. The heap limit bounds the
// interpreter's backtracking memory, the JIT stack the compiled code's.
constexpr std::uint32_t MATCH_LIMIT = 200000;
constexpr std::uint32_t HEAP_LIMIT_KIB = 4096;
constexpr std::size_t JIT_STACK_START = std::size_t{32} * 1024;
constexpr std::size_t JIT_STACK_MAX = std::size_t{1024} * 1024;
// What marking one line with a regular expression may take.
constexpr std::chrono::milliseconds FIND_ALL_BUDGET{5};

bool is_upper_case_letter(unsigned char byte) {
    return (byte >= 'A' && byte <= 'Z') || (byte >= 0xC0 && byte <= 0xDE && byte != 0xD7);
}

// The bracket that ends an escape's argument opened by `opening` (\p{Lu}, \k<name>), or 0.
char closing_of(char opening) {
    switch (opening) {
        case '{':
            return '}';
        case '<':
            return '>';
        case '\'':
            return '\'';
        default:
            return 0;
    }
}

// Where the escape starting at `escape` (a backslash) ends. The letters of an escape name a
// class or a property, not text to find, so they must not switch off ignoring case.
std::size_t end_of_escape(const std::string& pattern, std::size_t escape) {
    std::size_t next = escape + 2;
    if (next > pattern.size()) {
        return pattern.size();
    }
    const char letter = pattern[escape + 1];
    if (letter == 'c') {  // \cX: a control character
        return std::min(next + 1, pattern.size());
    }
    if (std::string_view("pPxogkN").find(letter) == std::string_view::npos ||
        next >= pattern.size()) {
        return next;
    }
    const char closing = closing_of(pattern[next]);
    if (closing == 0 && letter == 'x') {  // \xAB: up to two hex digits
        while (next < pattern.size() && next < escape + 4 &&
               std::isxdigit(static_cast<unsigned char>(pattern[next])) != 0) {
            ++next;
        }
        return next;
    }
    if (closing == 0) {
        return (letter == 'p' || letter == 'P') ? next + 1 : next;  // \pL: a one-letter property
    }
    const std::size_t close = pattern.find(closing, next + 1);
    return close == std::string::npos ? pattern.size() : close + 1;
}

bool holds_upper_case_letter(const std::string& pattern, PatternKind kind) {
    std::size_t position = 0;
    while (position < pattern.size()) {
        const auto byte = static_cast<unsigned char>(pattern[position]);
        if (kind == PatternKind::regex && byte == '\\') {
            position = end_of_escape(pattern, position);
        } else if (kind == PatternKind::regex && pattern.compare(position, 2, "(*") == 0) {
            const std::size_t close = pattern.find(')', position);  // a verb: (*UCP), (*FAIL)
            position = close == std::string::npos ? pattern.size() : close + 1;
        } else if (is_upper_case_letter(byte)) {
            return true;
        } else {
            ++position;
        }
    }
    return false;
}

// Plain text as a regular expression that matches exactly it, so that plain and regex searches
// share one compiled form (PCRE2_LITERAL cannot be combined with PCRE2_UCP). Control bytes are
// left out, as they are left out of the text searched.
std::string literal_pattern(const std::string& text) {
    std::string pattern;
    pattern.reserve(text.size() * 2);
    for (const char byte : text) {
        const auto value = static_cast<unsigned char>(byte);
        if (is_control_character(byte)) {
            continue;
        }
        const bool alphanumeric = (value >= '0' && value <= '9') ||
                                  (value >= 'A' && value <= 'Z') || (value >= 'a' && value <= 'z');
        if (value < 0x80 && !alphanumeric) {
            pattern += '\\';  // a backslash before a non-alphanumeric ASCII sign stands for it
        }
        pattern += byte;
    }
    return pattern;
}

bool is_kept(char byte) {
    return !is_control_character(byte);
}

// Whether any byte is a control byte: the same test as is_control_character, written without an
// early exit so that the compiler can check many bytes at a time.
bool holds_control_byte(std::string_view text) {
    unsigned found = 0;
    for (const char byte : text) {
        const auto value = static_cast<unsigned char>(byte);
        found |= static_cast<unsigned>(value < 0x20) |
                 static_cast<unsigned>(static_cast<unsigned char>(value - 0x7F) <= 0x9F - 0x7F);
    }
    return found != 0;
}

}  // namespace

struct TextMatcher::Compiled {
    pcre2_code* code = nullptr;
    pcre2_match_context* context = nullptr;
    pcre2_match_data* data = nullptr;
    pcre2_jit_stack* jit_stack = nullptr;
    bool jit_compiled = false;
    // The text without its control bytes, when it has some after its leading ones, and the
    // offset in the text of each byte kept: reused from line to line.
    std::string kept;
    std::vector<std::size_t> origin;

    Compiled() = default;
    Compiled(const Compiled&) = delete;
    Compiled& operator=(const Compiled&) = delete;
    ~Compiled() {
        pcre2_match_data_free(data);
        pcre2_jit_stack_free(jit_stack);
        pcre2_match_context_free(context);
        pcre2_code_free(code);
    }

    // What PCRE2 searches for `text`: the text itself past its leading control bytes (the usual
    // line: one colour byte, then none), else the copy without control bytes.
    struct Subject {
        std::string_view bytes;
        std::size_t skipped = 0;  // leading bytes left out, when not copied
        bool copied = false;
    };

    Subject subject_for(std::string_view text) {
        std::size_t start = 0;
        while (start < text.size() && !is_kept(text[start])) {
            ++start;
        }
        const std::string_view rest = text.substr(start);
        if (!holds_control_byte(rest)) {
            return {rest, start, false};
        }
        kept.clear();
        origin.clear();
        for (std::size_t offset = start; offset < text.size(); ++offset) {
            if (is_kept(text[offset])) {
                kept += text[offset];
                origin.push_back(offset);
            }
        }
        return {kept, 0, true};
    }

    // The match [begin, end) of the subject, non-empty, as offsets in the text.
    MatchRange in_text(const Subject& subject, std::size_t begin, std::size_t end) const {
        if (!subject.copied) {
            return {begin + subject.skipped, end + subject.skipped};
        }
        return {origin[begin], origin[end - 1] + 1};
    }

    int match(const Subject& subject, std::size_t start, std::uint32_t options) {
        static constexpr char NOTHING[] = "";  // PCRE2 before 10.43 refuses a null subject
        const auto* bytes = reinterpret_cast<PCRE2_SPTR>(
            subject.bytes.data() != nullptr ? subject.bytes.data() : NOTHING);
        if (jit_compiled && options == 0) {  // the JIT's own entry skips some checks
            return pcre2_jit_match(code, bytes, subject.bytes.size(), start, 0, data, context);
        }
        return pcre2_match(code, bytes, subject.bytes.size(), start, options, data, context);
    }
};

TextMatcher::TextMatcher(const std::string& pattern, PatternKind kind) {
    const std::string source = kind == PatternKind::plain ? literal_pattern(pattern) : pattern;
    if (source.empty()) {
        error_text = "empty pattern";
        return;
    }
    // PCRE2_UCP without PCRE2_UTF: the bytes are code points 0-255, i.e. Latin-1, so case folding
    // and \w follow Unicode's rules for Latin-1 letters. (*UTF) in a pattern is refused, as the
    // text is not UTF-8.
    std::uint32_t options = PCRE2_UCP | PCRE2_NEVER_UTF;
    folds_case = !holds_upper_case_letter(pattern, kind);
    is_regex = kind == PatternKind::regex;
    if (folds_case) {
        options |= PCRE2_CASELESS;
    }
    int error_code = 0;
    PCRE2_SIZE error_offset = 0;
    auto made = std::make_unique<Compiled>();
    made->code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(source.data()), source.size(), options,
                               &error_code, &error_offset, nullptr);
    if (made->code == nullptr) {
        std::array<PCRE2_UCHAR, 256> message{};
        pcre2_get_error_message(error_code, message.data(), message.size());
        error_text = reinterpret_cast<const char*>(message.data());
        if (kind == PatternKind::regex) {
            error_text += " at " + std::to_string(error_offset);
        }
        return;
    }
    made->context = pcre2_match_context_create(nullptr);
    made->data = pcre2_match_data_create_from_pattern(made->code, nullptr);
    if (made->context == nullptr || made->data == nullptr) {
        error_text = "out of memory";
        return;
    }
    pcre2_set_match_limit(made->context, MATCH_LIMIT);
    pcre2_set_heap_limit(made->context, HEAP_LIMIT_KIB);
    // Without JIT (not built for this machine, or out of memory) the interpreter runs.
    made->jit_compiled = pcre2_jit_compile(made->code, PCRE2_JIT_COMPLETE) == 0;
    if (made->jit_compiled) {
        made->jit_stack = pcre2_jit_stack_create(JIT_STACK_START, JIT_STACK_MAX, nullptr);
        pcre2_jit_stack_assign(made->context, nullptr, made->jit_stack);
    }
    compiled = std::move(made);
}

TextMatcher::~TextMatcher() = default;
TextMatcher::TextMatcher(TextMatcher&& other) noexcept = default;
TextMatcher& TextMatcher::operator=(TextMatcher&& other) noexcept = default;

MatchableText::MatchableText(std::string_view text) {
    std::size_t start = 0;
    while (start < text.size() && !is_kept(text[start])) {
        ++start;
    }
    kept = text.substr(start);
    if (holds_control_byte(kept)) {
        copy.reserve(kept.size());
        std::copy_if(kept.begin(), kept.end(), std::back_inserter(copy), is_kept);
        kept = copy;
    }
}

namespace {

MatchResult match_result(int pcre2_result) {
    if (pcre2_result >= 0) {
        return MatchResult::found;
    }
    return pcre2_result == PCRE2_ERROR_NOMATCH ? MatchResult::not_found : MatchResult::gave_up;
}

}  // namespace

MatchResult TextMatcher::match(std::string_view text) const {
    if (!compiled) {
        return MatchResult::not_found;
    }
    return match_result(compiled->match(compiled->subject_for(text), 0, 0));
}

MatchResult TextMatcher::match(const MatchableText& text) const {
    if (!compiled) {
        return MatchResult::not_found;
    }
    return match_result(compiled->match({text.bytes(), 0, false}, 0, 0));
}

std::size_t TextMatcher::compiled_bytes() const {
    if (!compiled) {
        return 0;
    }
    std::size_t code_bytes = 0;
    std::size_t jit_bytes = 0;
    pcre2_pattern_info(compiled->code, PCRE2_INFO_SIZE, &code_bytes);
    if (compiled->jit_compiled) {
        pcre2_pattern_info(compiled->code, PCRE2_INFO_JITSIZE, &jit_bytes);
    }
    return code_bytes + jit_bytes;
}

void TextMatcher::find_all(std::string_view text, std::vector<MatchRange>& ranges) const {
    ranges.clear();
    if (!compiled) {
        return;
    }
    const Compiled::Subject subject = compiled->subject_for(text);
    const std::size_t size = subject.bytes.size();
    std::size_t start = 0;
    std::size_t marked_to = 0;  // the ranges never overlap
    std::uint32_t options = 0;
    const auto started = std::chrono::steady_clock::now();
    while (start <= size) {
        if (is_regex && std::chrono::steady_clock::now() - started > FIND_ALL_BUDGET) {
            return;
        }
        const int result = compiled->match(subject, start, options);
        if (result == PCRE2_ERROR_NOMATCH && options != 0) {
            // Nothing but the empty match at `start`: search on from the next byte.
            options = 0;
            ++start;
            continue;
        }
        if (result < 0) {
            return;
        }
        const PCRE2_SIZE* found = pcre2_get_ovector_pointer(compiled->data);
        const std::size_t end = found[1];
        // \K in a lookaround (accepted by PCRE2 before 10.38) can report a match that ends before
        // it begins or where the search began: it is passed over, so that the search always moves
        // on and ends.
        if (end > size || end < found[0] || end < start || (end == start && options != 0)) {
            options = 0;
            ++start;
            continue;
        }
        const std::size_t begin = std::max<std::size_t>(found[0], marked_to);
        if (begin < end) {
            ranges.push_back(compiled->in_text(subject, begin, end));
            marked_to = end;
        }
        // After an empty match look for a non-empty one at the same place, as PCRE2's own
        // example does, so that the search moves on without skipping one.
        options = found[0] == end || end == start ? PCRE2_NOTEMPTY_ATSTART | PCRE2_ANCHORED : 0;
        start = end;
    }
}

std::pair<std::string, PatternKind> parse_search_argument(const std::string& argument) {
    const std::size_t first = argument.find_first_not_of(' ');
    if (first == std::string::npos) {
        return {"", PatternKind::plain};
    }
    const std::size_t last = argument.find_last_not_of(' ');
    std::string text = argument.substr(first, last - first + 1);
    if (text.size() > 2 && text.front() == '/' && text.back() == '/') {
        return {text.substr(1, text.size() - 2), PatternKind::regex};
    }
    return {text, PatternKind::plain};
}

}  // namespace qvchat2gui
