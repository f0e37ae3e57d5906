#include <gtest/gtest.h>

#include <boost/thread/thread.hpp>
#include <iterator>
#include <string>
#include <vector>

#include "chat/actors.h"
#include "chat/callbacks.h"
#include "chat/lines_for_user.h"
#include "tests/app/text_files.h"
#include "tests/chat/chat_fixture.h"

namespace {

using qvnetworklib::ByteVector;

constexpr int THREADS = 8;
constexpr int ROUNDS = 150;

// Texts with colour, control and other non-ASCII bytes on every channel code.
struct RawText {
    std::uint8_t code;
    const char* text;
};
constexpr RawText TEXTS[] = {
    {0, "Bob: \x85hi \x1b[2J there\r\n"},
    {0, "Alice: \x7f\x9a\xff"},
    {1, "[PM from Otto: \x01\x02\x03]"},
    {1, "[PM to Otto: back\t]"},
    {2, "#GM from Ann: \x90restart"},
    {3, "\x83Welcome home"},
    {5, "[Ann]: \x8ehello"},
    {6, "[Cy]: \xe9t\xe9"},
    {8, "Dee: hi\x07"},
};

ByteVector actor_payload(std::uint16_t id) {
    ByteVector payload(28, 0);
    payload[0] = static_cast<unsigned char>(id);
    payload[1] = static_cast<unsigned char>(id >> 8);
    payload[23] = 100;
    payload[25] = 50;
    const std::string name = "\x85N" + std::to_string(id) + " \x8aT";
    payload.insert(payload.end(), name.begin(), name.end());
    return payload;
}

using Concurrency = qvtest::ChatFixture;

// Handlers run on a dispatch thread each, so all of them may run at once, together with the
// user's commands.
TEST_F(Concurrency, HandlersRunningAtOnceKeepEveryLineWholeAndTheLogClean) {
    use_afk_state(true);
    afk->set_message_and_go_afk(&gui, "");
    boost::thread_group dispatch_threads;
    for (int thread = 0; thread < THREADS; ++thread) {
        dispatch_threads.create_thread([this, thread] {
            for (int round = 0; round < ROUNDS; ++round) {
                const RawText& text = TEXTS[(thread + round) % std::size(TEXTS)];
                raw(text.code, text.text);
                qvchat2::assign_channels(&gui, nullptr,
                                         {static_cast<unsigned char>(round % 3), 1, 0, 0, 0, 2, 0,
                                          0, 0, static_cast<unsigned char>(thread), 0, 0, 0});
                qvchat2::update_clock(&gui, nullptr, {static_cast<unsigned char>(round), 0});
                const auto id = static_cast<std::uint16_t>(thread * ROUNDS + round);
                qvchat2::add_enhanced_actor(nullptr, actor_payload(id));
                qvchat2::get_actor_damage(nullptr, {static_cast<unsigned char>(id),
                                                    static_cast<unsigned char>(id >> 8), 60, 0});
                if (round % 10 == 0) {
                    qvchat2::print_ui_actors(&gui, "");
                    afk->set_message_and_go_afk(&gui, "");
                }
                if (round % 2 == 0) {
                    qvchat2::remove_actor(nullptr, {static_cast<unsigned char>(id),
                                                    static_cast<unsigned char>(id >> 8)});
                }
            }
        });
    }
    dispatch_threads.join_all();

    const auto actors = qvchat2::actor_list().entries();
    EXPECT_EQ(actors.size(), static_cast<std::size_t>(THREADS * ROUNDS / 2));
    for (const auto& actor : actors) {
        EXPECT_EQ(actor.current_health, 0);
        EXPECT_EQ(actor.tag, "T");
    }
    EXPECT_EQ(gui.clocks().size(), static_cast<std::size_t>(THREADS * ROUNDS));

    const std::size_t records = chat_log().size() + server_log().size();
    EXPECT_EQ(records, static_cast<std::size_t>(THREADS * ROUNDS));
    for (const char* file : {"chat_log.txt", "srv_log.txt"}) {
        const std::string contents = qvtest::read_file(documents / "Quorvan" / "chat" / file);
        for (const char byte : contents) {
            const auto value = static_cast<unsigned char>(byte);
            ASSERT_TRUE(byte == '\n' || (value >= 32 && value < 127)) << file << ": " << +value;
        }
    }
    // More came for the user than is kept: the private messages and GM lines, whole.
    const auto kept = qvchat2::lines_for_user().lines();
    EXPECT_EQ(kept.size(), qvchat2::MAX_LINES_FOR_USER);
    for (const auto& line : kept) {
        EXPECT_TRUE(line.sender == (line.kind == qvchat2::ForUserKind::gm_message ? "Ann" : "Otto"))
            << line.text;
    }
    // Only Otto wrote to the user; the user's own lines ended the away periods in between.
    for (const auto& pm : sent_pms()) {
        EXPECT_EQ(pm, qvtest::SentPm("Otto", AFK_TEXT));
    }
}

}  // namespace
