#pragma once

#include <cstddef>
#include <filesystem>
#include <vector>

#include "app/log_records.h"

namespace qvchat2 {

// Most records read back from the end of a log.
inline constexpr std::size_t MOST_BACKLOG_RECORDS = 1000;
// Records of the last session shown at start without the setting backlog.
inline constexpr int DEFAULT_BACKLOG = 20;

// The last `count` records of a log (at most MOST_BACKLOG_RECORDS), oldest first, safe to show.
// Read backwards from the end, at most a few MiB whatever the file's size: a huge log costs no more
// than its tail, and when even that holds fewer records, fewer are given. Blank lines are not
// records; a last line without its line feed is. A file that is missing, unreadable or not a
// regular file gives none.
std::vector<LogMatch> read_last_records(const std::filesystem::path& file, std::size_t count);

}  // namespace qvchat2
