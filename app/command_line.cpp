#include "app/command_line.h"

#include <boost/program_options.hpp>
#include <ostream>
#include <vector>

namespace qvchat2 {

namespace po = boost::program_options;

namespace {

constexpr char SYNOPSIS[] =
    "Usage: qvchat [--reader] [--speech] [SERVER]\n"
    "       qvchat --list | --help | --version\n";

constexpr char USAGE_BODY[] =
    "\n"
    "A full-screen chat client for the game Quorvan. It connects to SERVER, the name\n"
    "of an entry in servers.lst (default: test), logs in and shows the game's chat.\n"
    "\n"
    "Options:\n"
    "  -h, --help      print this help and exit\n"
    "  -V, --version   print the version and exit\n"
    "      --list      print the servers of servers.lst (name, host, port) and exit\n"
    "      --reader    for screen readers and braille displays: every line written once\n"
    "                  at the bottom, in words instead of colours, the cursor on the\n"
    "                  input line (also the setting reader = 1)\n"
    "      --speech    speak the lines through speech-dispatcher (also speech = 1)\n"
    "\n"
    "Files:\n"
    "  servers.lst   in the working directory; one server per line:\n"
    "                name folder host port [description]\n"
    "  qv.ini        in the working directory; settings, one per line: #key = value\n"
    "  FOLDER        the entry's folder column, read as a second settings file\n"
    "  DOCUMENTS/Quorvan/FOLDER/chat_log.txt, srv_log.txt, input_history.txt\n"
    "                the chat and server logs and the lines entered (DOCUMENTS is\n"
    "                XDG_DOCUMENTS_DIR, the XDG user-dirs setting or ~/Documents)\n"
    "\n"
    "Settings (default; #set lists them and changes one while running):\n"
    "  username, password   the login; asked for when missing\n"
    "  log_chat (1)         0 no log, 1 chat lines, 2 with server lines,\n"
    "                       3 server lines in srv_log.txt\n"
    "  afk_message          the reply sent while away\n"
    "  afk_local (0)        1: also answer local speech while away\n"
    "  auto_afk_time (5)    minutes idle before going away; 0 never\n"
    "  save_history (1)     keep the lines entered for the next run\n"
    "  bell (1)             ring for a private message or a line that names you\n"
    "  mouse (0)            1: the mouse wheel scrolls the chat\n"
    "  timestamps (0)       1: every line starts with the time\n"
    "  pane (0)             rows above the chat for the newest lines for you, to 20\n"
    "  fold_repeats (0)     1: a line repeated within 10 minutes is counted, (x5),\n"
    "                       on the line it repeats instead of shown again\n"
    "  reconnect (1)        try again after a lost connection: 1, 2, 4 ... 60 s\n"
    "  scrollback           lines of text the chat keeps, 100 to 1000000;\n"
    "                       without it the newest 1000 display rows\n"
    "  backlog (20)         records of the last session shown at start; 0 none\n"
    "  notify (auto)        a line for you while out of focus or away: auto,\n"
    "                       osc777, osc9, bell or off\n"
    "  notify_command       a program run with --, a title and the line, for the\n"
    "                       same lines (no shell; for example notify-send)\n"
    "  reader (0)           1: the front-end for screen readers, as --reader\n"
    "  spell (0)            underline misspelt words as typed: 1 in the locale's\n"
    "                       language, or a dictionary's name such as en_GB\n"
    "  speech (0)           1: speak the lines through speech-dispatcher\n"
    "  speech_rate (0)      how fast speech talks, -100 to 100\n"
    "\n"
    "Keys:\n"
    "  Enter sends (/name text: private message; #help: the commands), Page Up and\n"
    "  Page Down scroll, Ctrl-Home and Ctrl-End go to the oldest and newest line,\n"
    "  Ctrl-S searches the chat, Alt-P and Alt-N go to the lines for you, Alt-U to\n"
    "  the unread marker, Alt-Right, Alt-Left and Alt-A go through the views (#view),\n"
    "  Alt-Up and Alt-Down review the lines one by one, Ctrl-G stops speech,\n"
    "  Up and Down walk the lines entered, Ctrl-R searches them, Tab completes,\n"
    "  Ctrl-L repaints, Ctrl-Z stops, Ctrl-C quits. Emacs-style editing: Ctrl-A,\n"
    "  Ctrl-E, Ctrl-K, Ctrl-U, Ctrl-W, Ctrl-Y, Alt-B, Alt-F.\n"
    "\n"
    "Exit status:\n"
    "  0  normal end (#exit, #quit, Ctrl-C, SIGTERM, SIGHUP)\n"
    "  1  a fault\n"
    "  2  usage: an unknown option, an unknown server or no servers.lst\n"
    "  3  the server refused the login\n";

po::options_description option_list() {
    po::options_description options;
    options.add_options()("help,h", "")("version,V", "")("list", "")("reader", "")("speech", "")(
        "server", po::value<std::vector<std::string>>());
    return options;
}

CommandLine usage_error(std::string error) {
    CommandLine wrong;
    wrong.action = CommandLine::Action::usage_error;
    wrong.error = std::move(error);
    return wrong;
}

}  // namespace

CommandLine parse_command_line(int argc, const char* const* argv) {
    po::positional_options_description positional;
    positional.add("server", -1);
    po::variables_map chosen;
    try {
        po::store(
            po::command_line_parser(argc, argv)
                .options(option_list())
                .positional(positional)
                .style(po::command_line_style::unix_style ^ po::command_line_style::allow_guessing)
                .run(),
            chosen);
    } catch (const po::unknown_option& unknown) {
        return usage_error("Unknown option: " + unknown.get_option_name());
    } catch (const po::error& wrong) {
        return usage_error(wrong.what());
    }

    CommandLine line;
    if (chosen.count("help") != 0) {
        line.action = CommandLine::Action::help;
    } else if (chosen.count("version") != 0) {
        line.action = CommandLine::Action::version;
    } else if (chosen.count("list") != 0) {
        line.action = CommandLine::Action::list;
    }
    line.reader = chosen.count("reader") != 0;
    line.speech = chosen.count("speech") != 0;
    if (chosen.count("server") != 0) {
        const auto& names = chosen["server"].as<std::vector<std::string>>();
        if (names.size() > 1) {
            return usage_error("Unexpected argument: " + names[1]);
        }
        line.server_name = names.front();
    }
    return line;
}

void print_synopsis(std::ostream& out) {
    out << SYNOPSIS;
}

void print_usage(std::ostream& out) {
    out << SYNOPSIS << USAGE_BODY;
}

}  // namespace qvchat2
