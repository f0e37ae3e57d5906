#include "tests/chat/chat_fixture.h"

#include <algorithm>

#include "chat/actors.h"
#include "chat/callbacks.h"
#include "chat/lines_for_user.h"
#include "network/message_types.h"
#include "tests/app/text_files.h"

namespace qvtest {

namespace {

constexpr char MARKER_RECIPIENT[] = "~marker";
constexpr std::uint16_t NEVER_IN_A_TEST = 600;  // minutes

SentPm parse_pm(const qvnetworklib::ByteVector& payload) {
    const std::string text(payload.begin(), payload.end());
    const std::size_t space = text.find(' ');
    if (space == std::string::npos) {
        return {text, ""};
    }
    return {text.substr(0, space), text.substr(space + 1)};
}

}  // namespace

void ChatFixture::SetUp() {
    qvchat2::assign_channels(&gui, nullptr, {});
    qvchat2::remove_all_actors(nullptr, {});
    qvchat2::lines_for_user().clear();
    use_afk_state(false);
    harness.start();
    ASSERT_TRUE(harness.wait_for_status(qvnetworklib::ConnectionStatus::Kind::CONNECTED));
}

void ChatFixture::use_afk_state(bool respond_local) {
    afk.reset();
    afk = std::make_unique<qvchat2::AfkState>(AFK_TEXT, respond_local, NEVER_IN_A_TEST, &gui);
}

void ChatFixture::raw(std::uint8_t code, const std::string& text) {
    qvchat2::on_raw_text(&gui, &logger, afk.get(), &harness.client(), text_payload(code, text));
}

std::vector<std::string> ChatFixture::chat_log() const {
    return log_texts("chat_log.txt");
}

std::vector<std::string> ChatFixture::server_log() const {
    return log_texts("srv_log.txt");
}

std::vector<std::string> ChatFixture::log_texts(const char* file) const {
    std::vector<std::string> texts;
    for (const std::string& record : read_file_lines(documents / "Quorvan" / "chat" / file)) {
        const std::size_t stamp_end = record.find("> ");
        texts.push_back(stamp_end == std::string::npos ? record : record.substr(stamp_end + 2));
    }
    return texts;
}

std::vector<SentPm> ChatFixture::sent_pms() {
    ++markers_sent;
    harness.client().send_pm(MARKER_RECIPIENT, "end");
    const auto markers_arrived = [this](const std::vector<ReceivedFrame>& frames) {
        return std::count_if(frames.begin(), frames.end(), [](const ReceivedFrame& frame) {
                   return frame.type == qvnetworklib::OUT_PM &&
                          parse_pm(frame.payload).first == MARKER_RECIPIENT;
               }) == markers_sent;
    };
    EXPECT_TRUE(server.wait_for(markers_arrived));

    std::vector<SentPm> pms;
    for (const ReceivedFrame& frame : server.frames()) {
        if (frame.type != qvnetworklib::OUT_PM) {
            continue;
        }
        SentPm pm = parse_pm(frame.payload);
        if (pm.first != MARKER_RECIPIENT) {
            pms.push_back(std::move(pm));
        }
    }
    return pms;
}

}  // namespace qvtest
