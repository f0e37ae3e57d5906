#pragma once

#include <filesystem>
#include <optional>
#include <ostream>

#include "chat/highlight_words.h"
#include "chat/ignore_list.h"
#include "chat/muted_channels.h"
#include "gui/common_gui.h"

namespace qvchat2 {

// What the user chose to hear, shared by the message handlers (any dispatch thread) and the
// commands (the main thread); each guards itself.
IgnoreList& ignore_list();
HighlightWords& highlight_words();
MutedChannels& muted_channels();

// Where the lists are kept between runs, in the server's folder; none: not kept.
struct FilterFiles {
    std::optional<std::filesystem::path> ignored;
    std::optional<std::filesystem::path> highlighted;
    std::optional<std::filesystem::path> muted;
};

// The files of the server's folder: ignore.txt, highlight.txt and mute.txt.
FilterFiles filter_files(const std::string& server_folder);

// Reads the lists of earlier runs. A file that cannot be read gets one warning and is left alone:
// its list is not kept in this run (its path is dropped from `files`).
void load_filters(FilterFiles& files, std::ostream& warnings);

// Adds #ignore, #unignore, #highlight, #mute and #unmute; each change is saved at once.
void register_filter_commands(qvchat2gui::ChatGUI* gui, const FilterFiles& files);

}  // namespace qvchat2
