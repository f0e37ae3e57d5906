#include "chat/away_tally.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace qvchat2 {

namespace {

constexpr std::int64_t MINUTES_PER_HOUR = 60;
// Longer than this is told in hours and minutes.
constexpr std::int64_t LONGEST_IN_MINUTES = 90;

std::string counted(std::uint64_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

// Rounded down, but never "0 min": the user was away.
std::string duration_text(std::chrono::minutes away) {
    const std::int64_t minutes = std::max<std::int64_t>(1, away.count());
    if (minutes <= LONGEST_IN_MINUTES) {
        return std::to_string(minutes) + " min";
    }
    const std::string hours = std::to_string(minutes / MINUTES_PER_HOUR) + " h";
    const std::int64_t rest = minutes % MINUTES_PER_HOUR;
    return rest == 0 ? hours : hours + " " + std::to_string(rest) + " min";
}

// " (Marek 2, Ysolde 1)": most messages first, then by name; the rest as others.
std::string senders_text(const std::map<std::string, std::uint64_t>& messages_by_sender) {
    if (messages_by_sender.empty()) {
        return "";
    }
    // The map is in order of name, which the stable sort keeps among equal counts.
    std::vector<std::pair<std::string, std::uint64_t>> senders(messages_by_sender.begin(),
                                                               messages_by_sender.end());
    std::stable_sort(senders.begin(), senders.end(), [](const auto& left, const auto& right) {
        return left.second > right.second;
    });
    const std::size_t named = std::min(senders.size(), MAX_NAMED_SENDERS);
    std::string text = " (";
    for (std::size_t i = 0; i < named; ++i) {
        text += (i == 0 ? "" : ", ") + senders[i].first + " " + std::to_string(senders[i].second);
    }
    if (senders.size() > named) {
        text += ", ..., " + counted(senders.size() - named, "other", "others");
    }
    return text + ")";
}

}  // namespace

void AwayTally::count(ForUserKind kind, const std::string& sender) {
    ++by_kind.at(static_cast<std::size_t>(kind));
    if (kind != ForUserKind::private_message || sender.empty()) {
        return;
    }
    const auto known = messages_by_sender.find(sender);
    if (known != messages_by_sender.end()) {
        ++known->second;
    } else if (messages_by_sender.size() < MAX_TALLIED_SENDERS) {
        messages_by_sender.emplace(sender, 1);
    }
}

std::optional<std::string> AwayTally::summary(std::chrono::minutes away) const {
    const auto of = [this](ForUserKind kind) { return by_kind.at(static_cast<std::size_t>(kind)); };
    std::vector<std::string> parts;
    if (const std::uint64_t messages = of(ForUserKind::private_message); messages > 0) {
        parts.push_back(counted(messages, "private message", "private messages") +
                        senders_text(messages_by_sender));
    }
    if (const std::uint64_t messages = of(ForUserKind::gm_message); messages > 0) {
        parts.push_back(counted(messages, "GM message", "GM messages"));
    }
    if (const std::uint64_t lines = of(ForUserKind::mention); lines > 0) {
        parts.push_back(counted(lines, "line naming you", "lines naming you"));
    }
    if (const std::uint64_t lines = of(ForUserKind::highlight); lines > 0) {
        parts.push_back(counted(lines, "highlighted line", "highlighted lines"));
    }
    if (parts.empty()) {
        return std::nullopt;
    }
    std::string text = "While you were away (" + duration_text(away) + "): ";
    for (std::size_t i = 0; i < parts.size(); ++i) {
        text += (i == 0 ? "" : ", ") + parts[i];
    }
    return text + ".";
}

}  // namespace qvchat2
