// The configuration readers on arbitrary file contents, and explode with arbitrary delimiters,
// each compared with a plain reading of the file-format rules.
//
// Input: one byte n (taken modulo 8), n delimiter bytes for explode, then the text to split.
// The whole input is also the contents of the server list and of the settings file.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iostream>
#include <string>
#include <vector>

#include "app/config.h"
#include "fuzz/check.h"
#include "fuzz/memory_file.h"

namespace {

using qvfuzz::check;
using qvfuzz::MemoryFile;

constexpr std::size_t MAX_DELIMITERS = 8;
constexpr char BLANKS[] = "\t ";
constexpr char SETTING_WHITE_SPACE[] = " \t\r\n\v\f";

bool is_in(char byte, const std::string& set) {
    return set.find(byte) != std::string::npos;
}

// explode, step by step as the format describes it, one byte at a time.
std::vector<std::string> explode_model(const std::string& text, const std::string& delimiters) {
    std::vector<std::string> parts;
    std::size_t position = 0;
    for (;;) {
        std::size_t start = position;
        while (start < text.size() && is_in(text[start], delimiters)) {
            ++start;
        }
        if (start == text.size()) {
            parts.push_back(text.substr(position));
            return parts;
        }
        std::size_t end = start;
        while (end < text.size() && !is_in(text[end], delimiters)) {
            ++end;
        }
        if (end == text.size()) {
            parts.push_back(text.substr(start));
            return parts;
        }
        parts.push_back(text.substr(start, end - start));
        position = end;
    }
}

// The lines of a text file: a UTF-8 byte-order mark at its start left out, cut at line feeds, a
// carriage return before one dropped, no empty line after a final line feed.
std::vector<std::string> file_lines(const std::string& contents) {
    std::vector<std::string> lines;
    const std::string byte_order_mark = "\xEF\xBB\xBF";
    std::size_t start = contents.compare(0, byte_order_mark.size(), byte_order_mark) == 0
                            ? byte_order_mark.size()
                            : 0;
    while (start < contents.size()) {
        std::size_t end = contents.find('\n', start);
        if (end == std::string::npos) {
            end = contents.size();
        }
        std::string line = contents.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

std::string trim(const std::string& text) {
    const auto first = text.find_first_not_of(SETTING_WHITE_SPACE);
    if (first == std::string::npos) {
        return "";
    }
    return text.substr(first, text.find_last_not_of(SETTING_WHITE_SPACE) - first + 1);
}

qvchat2::Settings read_ini_model(const std::string& contents) {
    qvchat2::Settings settings;
    for (const std::string& line : file_lines(contents)) {
        if (line.empty() || line[0] != '#') {
            continue;
        }
        const auto equals = line.find('=', 1);
        if (equals == std::string::npos) {
            continue;  // no value at all: nothing is stored
        }
        const std::string key = trim(line.substr(1, equals - 1));
        std::string value = line.substr(equals + 1);
        const auto open_quote = value.find('"');
        if (open_quote != std::string::npos) {
            value = value.substr(open_quote + 1);
            value = value.substr(0, value.find('"'));
        }
        value = trim(value);
        if (!key.empty() && !value.empty()) {
            settings.emplace(key, value);
        }
    }
    return settings;
}

qvchat2::ServerTable read_servers_model(const std::string& contents) {
    qvchat2::ServerTable servers;
    for (const std::string& line : file_lines(contents)) {
        if (line.empty() || line[0] == '#') {
            continue;
        }
        // Fields are the runs of other bytes between blanks.
        std::vector<std::string> fields;
        for (std::size_t at = 0; at < line.size();) {
            if (is_in(line[at], BLANKS)) {
                ++at;
                continue;
            }
            std::size_t end = at;
            while (end < line.size() && !is_in(line[end], BLANKS)) {
                ++end;
            }
            fields.push_back(line.substr(at, end - at));
            at = end;
        }
        // The port is kept as its decimal value, and only from 1 to 65535; a service name (a
        // letter, then letters, digits and hyphens) is kept as it is.
        const auto letter = [](char byte) {
            return (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z');
        };
        if (fields.size() >= 4 && letter(fields[3][0]) &&
            std::all_of(fields[3].begin(), fields[3].end(), [&letter](char byte) {
                return letter(byte) || (byte >= '0' && byte <= '9') || byte == '-';
            })) {
            servers.emplace(fields[0], qvnetworklib::ServerInfo{fields[2], fields[3], fields[1]});
        } else if (fields.size() >= 4) {
            long value = 0;
            bool digits_only = !fields[3].empty();
            for (const char byte : fields[3]) {
                digits_only = digits_only && byte >= '0' && byte <= '9';
                if (digits_only && value <= 65535) {
                    value = value * 10 + (byte - '0');
                }
            }
            if (digits_only && value >= 1 && value <= 65535) {
                servers.emplace(fields[0], qvnetworklib::ServerInfo{
                                               fields[2], std::to_string(value), fields[1]});
            }
        }
    }
    return servers;
}

bool same_servers(const qvchat2::ServerTable& a, const qvchat2::ServerTable& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (auto left = a.begin(), right = b.begin(); left != a.end(); ++left, ++right) {
        if (left->first != right->first || left->second.server != right->second.server ||
            left->second.port != right->second.port ||
            left->second.config_dir != right->second.config_dir) {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
    // read_servers names each skipped line on standard error.
    std::cerr.rdbuf(nullptr);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const MemoryFile file("qvchat-config");
    const std::string contents(reinterpret_cast<const char*>(data), size);

    if (size > 0) {
        const std::size_t count = std::min<std::size_t>(data[0] % MAX_DELIMITERS, size - 1);
        const std::string delimiters = contents.substr(1, count);
        const std::string text = contents.substr(1 + count);
        const auto parts = qvchat2::explode(text, delimiters);
        check(parts == explode_model(text, delimiters), "explode splits as the steps say");
        check(!parts.empty(), "explode gives at least one element");
    }

    file.write(contents);
    const qvchat2::Settings settings = qvchat2::read_ini(file.name());
    check(settings == read_ini_model(contents), "read_ini reads the settings lines");
    for (const auto& [key, value] : settings) {
        check(!key.empty() && !value.empty(), "no empty key or value is stored");
        check(trim(key) == key && trim(value) == value, "keys and values are trimmed");
    }
    check(same_servers(qvchat2::read_servers(file.name()), read_servers_model(contents)),
          "read_servers reads the server lines");
    return 0;
}
