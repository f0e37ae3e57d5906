#include "gui/model/command_help.h"

#include <array>
#include <utility>

namespace qvchat2gui {

namespace {

constexpr std::array<std::pair<const char*, const char*>, 32> DESCRIPTIONS{{
    {"afk", "#afk [TEXT]: go away from the keyboard now; TEXT becomes the away message."},
    {"alias",
     "#alias [NAME [TEXT]]: #NAME then stands for TEXT, in which $1 to $9 are the words typed "
     "after it, $* all of them, $me your name; alone, lists the aliases."},
    {"bind",
     "#bind [KEY ACTION]: KEY then does ACTION, one of those #bind alone lists (such as "
     "\"search the chat\"), or types a line that starts with # or /, as #bind Alt-G #grep gold."},
    {"ci", "#ci: lists the channels you are on."},
    {"clock", "#clock: says the game time."},
    {"copy",
     "#copy [N]: puts link N of #urls (the newest without N) on the clipboard through the "
     "terminal."},
    {"exit", "#exit: ends the client, as #quit."},
    {"grep",
     "#grep TEXT or #grep /REGEX/: shows the lines of the scroll-back that match, oldest first."},
    {"help", "#help [COMMAND]: lists the commands and keys; with a command, what it does."},
    {"highlight",
     "#highlight [WORD | /REGEX/ | -WORD]: a line that holds WORD stands out and counts as for "
     "you; -WORD removes one; alone, lists them."},
    {"ignore",
     "#ignore [NAME [MINUTES]]: hides the lines of player NAME (for MINUTES when given); "
     "alone, lists the names ignored."},
    {"loc", "#loc: asks the server where you are."},
    {"logs",
     "#logs TEXT or #logs /REGEX/: searches this server's log files, every session logged, and "
     "shows the newest matching records."},
    {"look", "#look: lists the characters nearby."},
    {"missed", "#missed: shows the newest lines for you: private and GM messages, your name."},
    {"mute",
     "#mute [CHANNEL]: hides the chat of a channel, except lines for you; alone, lists the muted "
     "channels."},
    {"note",
     "#note NAME [TEXT | -]: keeps TEXT as your note on player NAME, shown after #look and their "
     "first private message; alone, shows it; - removes it."},
    {"notes", "#notes: lists your notes on players."},
    {"quit", "#quit: ends the client, as #exit."},
    {"reconnect", "#reconnect: connects to the server again now, without waiting."},
    {"set",
     "#set [NAME [VALUE]]: lists the settings; with NAME, shows one; with VALUE, changes it for "
     "this run."},
    {"trigger",
     "#trigger [/REGEX/ | WORD] [ACTION...]: a received line that matches gets the actions: "
     "colour N, hide, bell, notify, pane, speak; alone, lists the triggers and their matches."},
    {"unalias", "#unalias NAME: forgets the alias #NAME."},
    {"unbind", "#unbind KEY: KEY does again what it did before it was bound."},
    {"speech",
     "#speech [all | foryou | off]: speaks every line, or only the lines for you, or nothing; "
     "alone, says whether lines are spoken."},
    {"spell",
     "#spell [add WORD | remove WORD]: learns a word, or forgets one, for the spelling of the "
     "input line; alone, names the dictionary in use."},
    {"unignore", "#unignore NAME: shows the lines of player NAME again."},
    {"unmute", "#unmute CHANNEL: shows the chat of the channel again."},
    {"untrigger", "#untrigger N: removes trigger N, numbered as #trigger lists them."},
    {"urls", "#urls: lists the last links seen in the chat, newest first, numbered for #copy."},
    {"view",
     "#view NAME: shows one conversation: a channel's number, guild, a player, local or all; "
     "typed lines then go to that player or channel. #view alone names it; #view close forgets "
     "a player's view."},
    {"views", "#views: lists the views, with the lines each has unread and those for you."},
}};

}  // namespace

std::optional<std::string> command_description(const std::string& word) {
    for (const auto& [name, description] : DESCRIPTIONS) {
        if (word == name) {
            return std::string(description);
        }
    }
    return std::nullopt;
}

}  // namespace qvchat2gui
