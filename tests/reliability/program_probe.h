#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/QvchatRun.h"

namespace qvtest {

// What the running program holds that must not leak.
struct ResourceCounts {
    int threads = -1;
    int descriptors = -1;
};

std::string describe(const ResourceCounts& counts);

// The program's counts once they have stopped changing: short-lived message threads come and go,
// so two samples some time apart must agree.
ResourceCounts settled_counts(const QvchatRun& run);

// Waits until the program holds exactly `expected.threads` threads and at most
// `expected.descriptors` descriptors; the counts seen last go to `last`.
::testing::AssertionResult counts_settle_at(const QvchatRun& run, const ResourceCounts& expected,
                                            ResourceCounts& last);

// Longest time "#exit" may take before a test calls it a hang. A hang check only: the real
// figures are printed and recorded in docs/reliability.md.
constexpr std::chrono::milliseconds EXIT_HANG_LIMIT{5000};

// Types "#exit" and returns the time from the Enter to the pane's "exit status N" line, or
// nothing when that line did not come within EXIT_HANG_LIMIT.
std::optional<std::chrono::milliseconds> timed_exit(const QvchatRun& run, int status = 0);

// The texts of the records of a log, without their time stamps; a line that is not a record
// comes back whole, so that it matches no expected text.
std::vector<std::string> logged_texts(const std::string& log);
std::size_t count_of(const std::vector<std::string>& texts, const std::string& text);
// True when the log holds nothing but printable ASCII and line feeds.
bool has_no_control_bytes(const std::string& log);

// Prints a measured figure of a scenario, for the record in docs/reliability.md.
void report_figure(const std::string& scenario, const std::string& figure);

}  // namespace qvtest
