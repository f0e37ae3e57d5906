#pragma once

#include <optional>
#include <string>
#include <vector>

// What #urls and #copy answer, the same in every front-end that has them; the front-end writes
// the lines and puts the URL on the clipboard.
namespace qvchat2gui {

// The lines #urls shows for the URLs seen, newest first: numbered from 1, or one line saying
// there is none.
std::vector<std::string> url_list_lines(const std::vector<std::string>& urls);

// What "#copy ARGUMENT" does with the URLs #urls lists: the URL to copy (none for a number out of
// range or not a number; no argument means 1) and the line that says what was done.
struct UrlCopy {
    std::optional<std::string> url;
    std::string answer;
};
UrlCopy url_to_copy(const std::vector<std::string>& urls, const std::string& argument);

}  // namespace qvchat2gui
