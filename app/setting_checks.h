#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "app/config.h"

namespace qvchat2 {

// Reads the settings files in order, a key set by an earlier file keeping its value, and checks
// every value kept. A value its setting cannot take is named on `warnings` with its file and line
// and replaced by the value used instead. A key within two letters of a known setting is named
// as a likely typo; other unknown keys pass without a word, as other programs may share a file.
// log_chat is left to its reader, whose message users know.
Settings read_checked_settings(const std::vector<std::string>& files, std::ostream& warnings);

}  // namespace qvchat2
