#pragma once

#include <iosfwd>
#include <string>

namespace qvchat2 {

// What the command line asks for.
struct CommandLine {
    enum class Action { run, help, version, list, usage_error };

    Action action = Action::run;
    // The entry of servers.lst to connect to.
    std::string server_name = "test";
    // For usage_error: what was wrong, such as "Unknown option: --colour".
    std::string error;
    // --reader: the front-end for screen readers instead of the full screen.
    bool reader = false;
    // --speech: lines spoken through the speech service, whatever the setting says.
    bool speech = false;
};

CommandLine parse_command_line(int argc, const char* const* argv);

// "Usage: qvchat [SERVER]" and the forms that only print.
void print_synopsis(std::ostream& out);
// The synopsis, then the files, settings, keys and exit statuses.
void print_usage(std::ostream& out);

}  // namespace qvchat2
