#include "tests/reliability/program_probe.h"

#include <algorithm>
#include <iostream>
#include <sstream>
#include <thread>

#include "tests/support/wait_until.h"

namespace qvtest {

namespace {

constexpr std::chrono::milliseconds SETTLE_INTERVAL{300};
constexpr int SETTLE_ROUNDS = 30;

ResourceCounts sample(const QvchatRun& run) {
    return {run.thread_count(), run.descriptor_count()};
}

bool same(const ResourceCounts& left, const ResourceCounts& right) {
    return left.threads == right.threads && left.descriptors == right.descriptors;
}

}  // namespace

std::string describe(const ResourceCounts& counts) {
    return std::to_string(counts.threads) + " threads, " + std::to_string(counts.descriptors) +
           " descriptors";
}

ResourceCounts settled_counts(const QvchatRun& run) {
    ResourceCounts last = sample(run);
    for (int round = 0; round < SETTLE_ROUNDS; ++round) {
        std::this_thread::sleep_for(SETTLE_INTERVAL);
        const ResourceCounts next = sample(run);
        if (same(next, last)) {
            return next;
        }
        last = next;
    }
    return last;
}

::testing::AssertionResult counts_settle_at(const QvchatRun& run, const ResourceCounts& expected,
                                            ResourceCounts& last) {
    const bool settled = wait_until([&] {
        last = sample(run);
        return last.threads == expected.threads && last.descriptors <= expected.descriptors;
    });
    if (settled) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << "expected " << describe(expected) << " at most, found " << describe(last);
}

std::optional<std::chrono::milliseconds> timed_exit(const QvchatRun& run, int status) {
    run.terminal().type("#exit");
    const auto pressed = std::chrono::steady_clock::now();
    run.terminal().press("Enter");
    if (!run.terminal().wait_for_text("exit status " + std::to_string(status), EXIT_HANG_LIMIT)) {
        return std::nullopt;
    }
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 pressed);
}

std::vector<std::string> logged_texts(const std::string& log) {
    std::vector<std::string> texts;
    std::istringstream lines(log);
    for (std::string line; std::getline(lines, line);) {
        const std::size_t stamp_end = line.find("> ");
        const bool is_record =
            !line.empty() && line.front() == '<' && stamp_end != std::string::npos;
        texts.push_back(is_record ? line.substr(stamp_end + 2) : line);
    }
    return texts;
}

std::size_t count_of(const std::vector<std::string>& texts, const std::string& text) {
    return static_cast<std::size_t>(std::count(texts.begin(), texts.end(), text));
}

bool has_no_control_bytes(const std::string& log) {
    return std::all_of(log.begin(), log.end(), [](char byte) {
        const auto value = static_cast<unsigned char>(byte);
        return byte == '\n' || (value >= 32 && value < 127);
    });
}

void report_figure(const std::string& scenario, const std::string& figure) {
    std::cout << "[ figure   ] " << scenario << ": " << figure << std::endl;
}

}  // namespace qvtest
