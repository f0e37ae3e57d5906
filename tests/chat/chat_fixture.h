#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/log.h"
#include "chat/afk.h"
#include "tests/support/ClientHarness.h"
#include "tests/support/FakeGameServer.h"
#include "tests/support/RecordingGUI.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"

namespace qvtest {

// A colour byte as text, for building expected lines.
inline std::string color(std::uint8_t code) {
    return std::string(1, static_cast<char>(code));
}

// A private message as the fake server received it.
using SentPm = std::pair<std::string, std::string>;  // recipient, text

// The chat logic's surroundings, all real: a client logged in as "Alice" and connected to a fake
// server, a logger writing into a temporary documents folder, a recording front-end and an AFK
// state whose countdown does not end during a test. The channel table, the actor list and the
// lines for the user start empty.
class ChatFixture : public ::testing::Test {
protected:
    static constexpr char USERNAME[] = "Alice";
    static constexpr char AFK_TEXT[] = "gone fishing";

    void SetUp() override;

    // Replaces the AFK state by one that does (or does not) answer local mentions.
    void use_afk_state(bool respond_local);

    // Delivers one raw-text message to on_raw_text.
    void raw(std::uint8_t code, const std::string& text);

    // The texts of the log records, time stamps removed.
    std::vector<std::string> chat_log() const;
    std::vector<std::string> server_log() const;

    // Every private message the client has sent so far. A marker message sent last makes sure
    // nothing the client queued before is still on its way.
    std::vector<SentPm> sent_pms();

    TempDir documents;
    ScopedEnv documents_variable{"XDG_DOCUMENTS_DIR", documents.path().string()};
    qvchat2::Logger logger{qvchat2::LOG_SEPARATE, "chat"};
    RecordingGUI gui;
    FakeGameServer server;
    ClientHarness harness{server.server_info(), USERNAME};
    std::unique_ptr<qvchat2::AfkState> afk;

private:
    std::vector<std::string> log_texts(const char* file) const;
    int markers_sent = 0;
};

}  // namespace qvtest
