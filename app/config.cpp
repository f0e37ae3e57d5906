#include "app/config.h"

#include <algorithm>
#include <boost/algorithm/string/classification.hpp>
#include <boost/algorithm/string/trim.hpp>
#include <fstream>
#include <iostream>
#include <locale>
#include <sstream>
#include <type_traits>

#include "app/data_folder.h"
#include "app/text_lines.h"

namespace qvchat2 {

namespace {

constexpr char FIELD_DELIMITERS[] = "\t ";
constexpr char SETTING_WHITE_SPACE[] = " \t\r\n\v\f";
constexpr std::size_t SERVER_FIELDS = 4;
constexpr unsigned long HIGHEST_PORT = 65535;
constexpr std::size_t HIGHEST_PORT_DIGITS = 5;

std::string trimmed(const std::string& text) {
    return boost::trim_copy_if(text, boost::is_any_of(SETTING_WHITE_SPACE));
}

// The fields of one server-list line. The element explode gives for trailing blanks is not a
// field: "a b c " has three fields, not a fourth one made of a space.
std::vector<std::string> server_fields(const std::string& line) {
    auto fields = explode(line, FIELD_DELIMITERS);
    if (fields.back().find_first_not_of(FIELD_DELIMITERS) == std::string::npos) {
        fields.pop_back();
    }
    return fields;
}

// The value of a settings line from its "=" on: the text inside the first pair of double quotes
// when there is a quote, else all of it.
std::string setting_value(const std::string& line, std::size_t equals) {
    const auto open_quote = line.find('"', equals);
    if (open_quote == std::string::npos) {
        return trimmed(line.substr(equals + 1));
    }
    const auto close_quote = line.find('"', open_quote + 1);
    const auto length =
        close_quote == std::string::npos ? std::string::npos : close_quote - open_quote - 1;
    return trimmed(line.substr(open_quote + 1, length));
}

// The port of a server-list entry in plain decimal, or none when `text` is not a number from 1
// to 65535. Leading zeros are dropped, so that "080" is port 80 and can never be read as octal.
std::optional<std::string> decimal_port(const std::string& text) {
    const std::string digits = text.substr(std::min(text.find_first_not_of('0'), text.size()));
    if (digits.empty() || digits.size() > HIGHEST_PORT_DIGITS ||
        std::stoul(digits) > HIGHEST_PORT) {
        return std::nullopt;
    }
    return digits;
}

bool is_ascii_letter(char character) {
    return (character >= 'a' && character <= 'z') || (character >= 'A' && character <= 'Z');
}

// A service name as the resolver looks it up ("gopher", "http-alt"): a letter, then letters,
// digits and hyphens.
bool is_service_name(const std::string& text) {
    return !text.empty() && is_ascii_letter(text.front()) &&
           std::all_of(text.begin(), text.end(), [](char character) {
               return is_ascii_letter(character) || (character >= '0' && character <= '9') ||
                      character == '-';
           });
}

// The port of a server-list entry as the resolver is to get it: a number from 1 to 65535 in plain
// decimal, or a service name; none for anything else. Only digits make a number: the resolver
// would read "+80" or "8O" in its own way, and a number above the range would wrap around to
// another port.
std::optional<std::string> server_port(const std::string& text) {
    if (!text.empty() && text.find_first_not_of("0123456789") == std::string::npos) {
        return decimal_port(text);
    }
    if (is_service_name(text)) {
        return text;
    }
    return std::nullopt;
}

// A folder name from the server list must stay inside the data folder.
bool stays_inside(const std::filesystem::path& folder) {
    if (folder.has_root_path()) {
        return false;
    }
    for (const auto& component : folder) {
        if (component == "..") {
            return false;
        }
    }
    return true;
}

}  // namespace

ServerTable read_servers(const std::string& path) {
    ServerTable servers;
    std::ifstream in(path);
    skip_byte_order_mark(in);
    std::string line;
    for (std::size_t line_number = 1; read_text_line(in, line); ++line_number) {
        if (line.empty() || line.front() == '#') {
            continue;
        }
        const auto fields = server_fields(line);
        if (fields.size() < SERVER_FIELDS) {
            std::cerr << path << ":" << line_number
                      << ": skipped: a server entry needs a name, a folder, a host and a port\n";
            continue;
        }
        const auto port = server_port(fields[3]);
        if (!port) {
            std::cerr << path << ":" << line_number << ": skipped: the port \"" << fields[3]
                      << "\" is neither a number from 1 to 65535 nor a service name\n";
            continue;
        }
        const bool added =
            servers.emplace(fields[0], qvnetworklib::ServerInfo{fields[2], *port, fields[1]})
                .second;
        // The entry stays usable; only its logs are refused, by get_config_file.
        if (added && !stays_inside(fields[1])) {
            std::cerr << path << ":" << line_number << ": no logs for this server: the folder \""
                      << fields[1] << "\" must be a relative path without \"..\"\n";
        }
    }
    return servers;
}

std::vector<std::string> explode(const std::string& text, const std::string& delimiters) {
    std::vector<std::string> parts;
    std::string::size_type position = 0;
    while (true) {
        const auto token_start = text.find_first_not_of(delimiters, position);
        if (token_start == std::string::npos) {
            parts.push_back(text.substr(position));
            return parts;
        }
        const auto token_end = text.find_first_of(delimiters, token_start);
        if (token_end == std::string::npos) {
            parts.push_back(text.substr(token_start));
            return parts;
        }
        parts.push_back(text.substr(token_start, token_end - token_start));
        position = token_end;
    }
}

Settings read_ini(const std::string& path) {
    SettingLines lines;
    return read_ini(path, lines);
}

Settings read_ini(const std::string& path, SettingLines& lines) {
    Settings settings;
    std::ifstream in(path);
    skip_byte_order_mark(in);
    std::string line;
    for (std::size_t line_number = 1; read_text_line(in, line); ++line_number) {
        if (line.empty() || line.front() != '#') {
            continue;
        }
        const auto equals = line.find('=', 1);
        if (equals == std::string::npos) {
            continue;
        }
        auto key = trimmed(line.substr(1, equals - 1));
        auto value = setting_value(line, equals);
        if (!key.empty() && !value.empty() && settings.emplace(key, std::move(value)).second) {
            lines.emplace(std::move(key), line_number);
        }
    }
    return settings;
}

std::optional<std::filesystem::path> get_config_file(const std::string& folder, const char* file) {
    const std::filesystem::path server_folder(folder);
    if (!stays_inside(server_folder)) {
        return std::nullopt;
    }
    const auto documents = documents_folder();
    if (!documents) {
        return std::nullopt;
    }
    const auto data_folder = *documents / "Quorvan" / server_folder;
    create_private_folders(data_folder);
    return data_folder / file;
}

}  // namespace qvchat2

std::string get_property(const qvchat2::Settings& settings, const char* key,
                         const std::string& fallback) {
    const auto found = settings.find(key);
    return found == settings.end() ? fallback : found->second;
}

template <typename T>
T get_property(const qvchat2::Settings& settings, const char* key,
               const typename qvchat2::detail::NonDeduced<T>::type& fallback) {
    const auto found = settings.find(key);
    if (found == settings.end()) {
        return fallback;
    }
    std::istringstream in(found->second);
    in.imbue(std::locale::classic());
    in >> std::ws;
    // Stream input would wrap "-5" around to a huge unsigned number.
    if (std::is_unsigned_v<T> && in.peek() == '-') {
        return fallback;
    }
    T value{};
    if (!(in >> value)) {
        return fallback;
    }
    return value;
}

template int get_property<int>(const qvchat2::Settings&, const char*, const int&);
template unsigned short get_property<unsigned short>(const qvchat2::Settings&, const char*,
                                                     const unsigned short&);

bool read_switch(const qvchat2::Settings& settings, const char* key, bool fallback) {
    const std::string value = get_property(settings, key, "");
    if (value == "0" || value == "1") {
        return value == "1";
    }
    return fallback;
}

bool determine_truth(const std::string& value) {
    return value == "1";
}
