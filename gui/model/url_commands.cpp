#include "gui/model/url_commands.h"

#include "gui/model/chat_text.h"

namespace qvchat2gui {

namespace {

constexpr char NO_URL_YET[] = "No link seen yet.";
constexpr std::size_t MOST_DIGITS = 2;

}  // namespace

std::vector<std::string> url_list_lines(const std::vector<std::string>& urls) {
    if (urls.empty()) {
        return {server_line(NO_URL_YET)};
    }
    std::vector<std::string> lines{server_line("Links, newest first (#copy N copies one):")};
    for (std::size_t index = 0; index < urls.size(); ++index) {
        lines.push_back(server_line(std::to_string(index + 1) + " " + urls[index]));
    }
    return lines;
}

UrlCopy url_to_copy(const std::vector<std::string>& urls, const std::string& argument) {
    std::size_t number = 1;
    if (const std::size_t digits = argument.find_first_not_of(' '); digits != std::string::npos) {
        const std::string given = argument.substr(digits);
        const bool is_number = given.size() <= MOST_DIGITS &&
                               given.find_first_not_of("0123456789") == std::string::npos;
        number = is_number ? std::stoul(given) : 0;
    }
    if (number == 0 || number > urls.size()) {
        return {std::nullopt, server_line(urls.empty() ? NO_URL_YET
                                                       : "Usage: #copy N, N from 1 to " +
                                                             std::to_string(urls.size()) +
                                                             " as #urls lists them.")};
    }
    return {urls[number - 1], server_line("Copied: " + urls[number - 1])};
}

}  // namespace qvchat2gui
