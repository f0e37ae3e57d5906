// Lines per second through the receiving pipeline for a burst of chat text from a loopback
// server, measured three ways in one run, the rounds interleaved so that the load of the
// machine falls on all three alike:
//   ceiling    one thread reads the stream with large reads and only cuts frames;
//   cap        the real Client, one dispatch thread per message, a handler that does nothing;
//   pipeline   the real Client with the chat handlers as start-up registers them, the real
//              Logger (every record flushed) and the real word wrap into the scroll-back.
// The clock runs from the first byte sent to the last line logged and stored.
// Usage: qvbench_pipeline_burst [lines] [rounds]
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "app/log.h"
#include "bench/flood_stream.h"
#include "bench/scroll_back_gui.h"
#include "chat/registration.h"
#include "network/QVClient.h"
#include "tests/support/ClientHarness.h"
#include "tests/support/FakeGameServer.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"
#include "tools/demo_flood.h"

namespace {

using Clock = std::chrono::steady_clock;
using qvnetworklib::ByteVector;

constexpr std::size_t READ_SIZE = std::size_t{64} * 1024;
constexpr auto BURST_DEADLINE = std::chrono::minutes(5);
// The scroll-back of an 80-column terminal with 40 text rows.
constexpr int COLUMNS = 80;
constexpr int ROWS = 40;

struct Sample {
    double seconds = 0;
    double cpu_seconds = 0;  // the whole process, the sending server included
};

double cpu_seconds_used() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& time) {
        return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

int connect_loopback(const std::string& port) {
    const int descriptor = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(std::stoi(port)));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast): the socket API's own cast
    if (::connect(descriptor, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(descriptor);
        throw std::runtime_error("cannot connect to the loopback server");
    }
    return descriptor;
}

// Reads until `lines` frames have been cut; the frames are only counted.
Sample run_ceiling(const ByteVector& stream, std::size_t lines) {
    qvtest::FakeGameServer server;
    const int descriptor = connect_loopback(server.port());
    if (!server.wait_for_client()) {
        throw std::runtime_error("the reader did not connect");
    }
    const double cpu_before = cpu_seconds_used();
    const auto start = Clock::now();
    std::thread sender([&] { server.send_raw(stream); });

    std::vector<unsigned char> buffer(2 * READ_SIZE);
    std::size_t filled = 0;
    std::size_t frames = 0;
    while (frames < lines) {
        const ssize_t received = ::recv(descriptor, buffer.data() + filled, READ_SIZE, 0);
        if (received <= 0) {
            break;
        }
        filled += static_cast<std::size_t>(received);
        std::size_t next = 0;
        while (filled - next >= qvnetworklib::HEADER_SIZE) {
            const std::size_t length = buffer[next + 1] | (buffer[next + 2] << 8U);
            const std::size_t frame_size = qvnetworklib::HEADER_SIZE + length - 1;
            if (length == 0 || filled - next < frame_size) {
                break;
            }
            next += frame_size;
            ++frames;
        }
        std::memmove(buffer.data(), buffer.data() + next, filled - next);
        filled -= next;
    }
    const auto stop = Clock::now();
    const double cpu_after = cpu_seconds_used();
    sender.join();
    ::close(descriptor);
    if (frames != lines) {
        throw std::runtime_error("the reader lost frames");
    }
    return {std::chrono::duration<double>(stop - start).count(), cpu_after - cpu_before};
}

// Sends the stream to a real Client set up by `attach` and waits until `handled` reaches
// `lines`.
Sample run_client(const ByteVector& stream, std::size_t lines,
                  const std::function<void(qvnetworklib::Client&)>& attach,
                  const std::function<std::size_t()>& handled) {
    qvtest::FakeGameServer server;
    qvtest::ClientHarness harness(server.server_info());
    attach(harness.client());
    harness.start();
    if (!server.wait_for_client()) {
        throw std::runtime_error("the client did not connect");
    }
    const double cpu_before = cpu_seconds_used();
    const auto start = Clock::now();
    server.send_raw(stream);
    if (!qvtest::wait_until([&] { return handled() >= lines; }, BURST_DEADLINE)) {
        throw std::runtime_error("only " + std::to_string(handled()) + " lines arrived");
    }
    const auto stop = Clock::now();
    const double cpu_after = cpu_seconds_used();
    harness.stop();
    return {std::chrono::duration<double>(stop - start).count(), cpu_after - cpu_before};
}

Sample run_cap(const ByteVector& stream, std::size_t lines) {
    std::atomic<std::size_t> handled{0};
    return run_client(
        stream, lines,
        [&handled](qvnetworklib::Client& client) {
            client.register_callback(
                qvnetworklib::IN_RAW_TEXT,
                [&handled](qvnetworklib::Client*, const ByteVector&) { ++handled; });
        },
        [&handled] { return handled.load(); });
}

// Every line must be in the log, the last one last.
void check_log(const std::filesystem::path& log, std::size_t lines) {
    std::ifstream file(log);
    std::string line;
    std::string last;
    std::size_t count = 0;
    while (std::getline(file, line)) {
        ++count;
        last.swap(line);
    }
    if (count != lines || last.find(qvdemo::flood_marker(lines, lines)) == std::string::npos) {
        throw std::runtime_error("the log holds " + std::to_string(count) + " lines, not " +
                                 std::to_string(lines) + " in order");
    }
}

Sample run_pipeline(const ByteVector& stream, std::size_t lines) {
    const qvtest::TempDir documents;
    const qvtest::ScopedEnv documents_folder("XDG_DOCUMENTS_DIR", documents.path().string());
    qvbench::ScrollBackGUI gui(COLUMNS, ROWS);
    // Combined: every line of the burst, server text included, is logged.
    qvchat2::Logger logger(qvchat2::LOG_COMBINED, "bench");
    const auto afk = qvchat2::create_afk_state(qvchat2::Settings(), &gui);
    const Sample sample = run_client(
        stream, lines,
        [&](qvnetworklib::Client& client) {
            qvchat2::register_chat_handlers(client, &gui, &logger, afk.get());
        },
        [&gui] { return gui.lines_stored(); });
    check_log(documents / "Quorvan" / "bench" / qvchat2::chat_log_name, lines);
    return sample;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

struct Series {
    const char* name;
    std::function<Sample(const ByteVector&, std::size_t)> run;
    std::vector<double> rates;
    std::vector<double> cpu_per_line;

    double median_rate() const { return median(rates); }
};

void print_series(const Series& series) {
    std::printf("%-9s median %10.0f lines/s  (runs:", series.name, series.median_rate());
    for (const double rate : series.rates) {
        std::printf(" %.0f", rate);
    }
    std::printf(")  CPU %.2f us/line\n", median(series.cpu_per_line) * 1e6);
}

}  // namespace

int main(int argc, char** argv) {
    const long lines_wanted = argc > 1 ? std::atol(argv[1]) : 100000;
    const long rounds = argc > 2 ? std::atol(argv[2]) : 5;
    // A single series ("ceiling", "cap" or "pipeline") can be run alone, for profiling it.
    const std::string only = argc > 3 ? argv[3] : "";
    if (lines_wanted <= 0 || rounds <= 0) {
        std::fprintf(stderr, "usage: %s [lines] [rounds] [ceiling|cap|pipeline]\n", argv[0]);
        return 2;
    }
    const auto lines = static_cast<std::size_t>(lines_wanted);
    const ByteVector stream = qvbench::flood_stream(lines);
    std::printf("burst: %zu lines, %zu bytes on the wire, %ld rounds\n", lines, stream.size(),
                rounds);

    std::vector<Series> all{{"ceiling", run_ceiling, {}, {}},
                            {"cap", run_cap, {}, {}},
                            {"pipeline", run_pipeline, {}, {}}};
    if (!only.empty()) {
        all.erase(std::remove_if(all.begin(), all.end(),
                                 [&only](const Series& series) { return series.name != only; }),
                  all.end());
        if (all.empty()) {
            std::fprintf(stderr, "no series named %s\n", only.c_str());
            return 2;
        }
    }
    try {
        for (long round = 0; round < rounds; ++round) {
            for (Series& series : all) {
                const Sample sample = series.run(stream, lines);
                series.rates.push_back(static_cast<double>(lines) / sample.seconds);
                series.cpu_per_line.push_back(sample.cpu_seconds / static_cast<double>(lines));
            }
        }
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "benchmark failed: %s\n", failure.what());
        return 1;
    }
    for (const Series& series : all) {
        print_series(series);
    }
    if (all.size() < 3) {
        return 0;
    }
    const double ceiling = all[0].median_rate();
    const double cap = all[1].median_rate();
    const double pipeline = all[2].median_rate();
    std::printf("pipeline / cap     = %.2f (target at least 0.80)\n", pipeline / cap);
    std::printf("pipeline / ceiling = %.4f\n", pipeline / ceiling);
    std::printf("cap / ceiling      = %.4f\n", cap / ceiling);
    return 0;
}
