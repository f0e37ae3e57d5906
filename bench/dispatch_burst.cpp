// Measures how many received messages per second the Client hands to a callback: a loopback
// server sends a burst of text messages and the clock runs from the first byte sent to the
// last callback. Usage: qvbench_dispatch_burst [messages]
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "network/QVClient.h"
#include "tests/support/ClientHarness.h"
#include "tests/support/FakeGameServer.h"

namespace {

qvnetworklib::ByteVector make_burst(int messages) {
    qvnetworklib::ByteVector burst;
    for (int i = 0; i < messages; ++i) {
        const std::string text =
            "Speaker" + std::to_string(i % 50) + ": a line of local chat " + std::to_string(i);
        const auto frame =
            qvtest::frame_bytes(qvnetworklib::IN_RAW_TEXT, qvtest::text_payload(0, text));
        burst.insert(burst.end(), frame.begin(), frame.end());
    }
    return burst;
}

}  // namespace

int main(int argc, char** argv) {
    const int messages = argc > 1 ? std::atoi(argv[1]) : 100000;
    if (messages <= 0) {
        std::fprintf(stderr, "usage: %s [messages]\n", argv[0]);
        return 2;
    }
    const qvnetworklib::ByteVector burst = make_burst(messages);

    qvtest::FakeGameServer server;
    qvtest::ClientHarness harness(server.server_info());
    std::atomic<int> delivered{0};
    harness.client().register_callback(
        qvnetworklib::IN_RAW_TEXT,
        [&delivered](qvnetworklib::Client*, const qvnetworklib::ByteVector&) { ++delivered; });
    harness.start();
    if (!server.wait_for_client()) {
        std::fprintf(stderr, "the client did not connect\n");
        return 1;
    }

    const auto start = std::chrono::steady_clock::now();
    server.send_raw(burst);
    if (!qvtest::wait_until([&] { return delivered == messages; }, std::chrono::minutes(5))) {
        std::fprintf(stderr, "only %d of %d messages arrived\n", delivered.load(), messages);
        return 1;
    }
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    std::printf("%d messages in %.3f s: %.0f messages per second\n", messages, elapsed.count(),
                messages / elapsed.count());
    return 0;
}
