#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "chat/lines_for_user.h"

namespace qvchat2 {

// Private-message senders counted by name in one away period; those beyond are counted in the
// totals only, so that a flood of made-up names cannot fill the memory.
inline constexpr std::size_t MAX_TALLIED_SENDERS = 1000;
// Senders named in the summary; the rest are counted as others.
inline constexpr std::size_t MAX_NAMED_SENDERS = 5;

// What came for the user in one away period: counts by kind, and private messages by sender.
// Counts, not lines, so that they stay right however many lines came. Not thread-safe: its
// owner guards it.
class AwayTally {
public:
    void count(ForUserKind kind, const std::string& sender);
    // The line that sums the period up, such as "While you were away (42 min): 3 private
    // messages (Marek 2, Ysolde 1), 2 lines naming you."; nothing when nothing came. Where to
    // find the lines is the front-end's to say.
    std::optional<std::string> summary(std::chrono::minutes away) const;

private:
    static constexpr std::size_t KINDS = 4;
    std::array<std::uint64_t, KINDS> by_kind{};
    std::map<std::string, std::uint64_t> messages_by_sender;
};

}  // namespace qvchat2
