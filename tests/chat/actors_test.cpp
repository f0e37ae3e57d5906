#include "chat/actors.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "chat/note_commands.h"
#include "gui/common_gui.h"
#include "tests/support/RecordingGUI.h"

namespace {

using qvchat2::actor_list;
using qvchat2gui::SERVER_COLOR;
using qvnetworklib::ByteVector;
using ::testing::ElementsAre;

// A line of the actor list: the server colour byte, then `text`.
std::string grey(const std::string& text) {
    return static_cast<char>(SERVER_COLOR) + text;
}

void put_u16(ByteVector& payload, std::size_t offset, std::uint16_t value) {
    payload[offset] = static_cast<unsigned char>(value & 0xFF);
    payload[offset + 1] = static_cast<unsigned char>(value >> 8);
}

// An add message whose health fields and type end at offset `name_offset`, where the name
// field begins; the bytes that are not read are 0xAA.
ByteVector actor_payload(std::size_t name_offset, std::uint16_t id, const std::string& name_field,
                         std::uint16_t current, std::uint16_t max, unsigned char type) {
    ByteVector payload(name_offset, 0xAA);
    put_u16(payload, 0, id);
    put_u16(payload, name_offset - 5, max);
    put_u16(payload, name_offset - 3, current);
    payload[name_offset - 1] = type;
    payload.insert(payload.end(), name_field.begin(), name_field.end());
    return payload;
}

ByteVector add_payload(std::uint16_t id, const std::string& name_field, std::uint16_t current,
                       std::uint16_t max, unsigned char type) {
    return actor_payload(17, id, name_field, current, max, type);
}

ByteVector enhanced_payload(std::uint16_t id, const std::string& name_field, std::uint16_t current,
                            std::uint16_t max, unsigned char type) {
    return actor_payload(28, id, name_field, current, max, type);
}

ByteVector id_amount(std::uint16_t id, std::uint16_t amount) {
    ByteVector payload(4);
    put_u16(payload, 0, id);
    put_u16(payload, 2, amount);
    return payload;
}

class Actors : public ::testing::Test {
protected:
    void SetUp() override { qvchat2::remove_all_actors(nullptr, {}); }
    void TearDown() override { qvchat2::remove_all_actors(nullptr, {}); }

    static std::uint16_t health(std::uint16_t id) { return actor_list().find(id)->current_health; }

    qvtest::RecordingGUI gui;
};

TEST_F(Actors, PlainActorKeepsItsWholeNameUpToTheZeroByte) {
    qvchat2::add_actor(nullptr, add_payload(7, std::string("Big Bob\0junk", 12), 20, 30, 4));
    const auto actor = actor_list().find(7);
    ASSERT_TRUE(actor.has_value());
    EXPECT_EQ(actor->name, "Big Bob");
    EXPECT_EQ(actor->tag, "");
    EXPECT_EQ(actor->current_health, 20);
    EXPECT_EQ(actor->max_health, 30);
    EXPECT_EQ(actor->actor_type, 4);
    EXPECT_FALSE(actor->enhanced);

    qvchat2::add_actor(nullptr, add_payload(8, "Unterminated \x85", 1, 1, 255));
    EXPECT_EQ(actor_list().find(8)->name, "Unterminated \x85");
    EXPECT_EQ(actor_list().find(8)->actor_type, 255);
}

TEST_F(Actors, TooShortAddMessagesAreIgnored) {
    ByteVector plain = add_payload(1, "", 1, 1, 1);
    ASSERT_EQ(plain.size(), 17U);
    qvchat2::add_actor(nullptr, plain);
    ByteVector enhanced = enhanced_payload(2, "", 1, 1, 1);
    ASSERT_EQ(enhanced.size(), 28U);
    qvchat2::add_enhanced_actor(nullptr, enhanced);
    EXPECT_TRUE(actor_list().entries().empty());

    qvchat2::add_actor(nullptr, add_payload(1, std::string(1, '\0'), 1, 1, 1));
    qvchat2::add_enhanced_actor(nullptr, enhanced_payload(2, std::string(1, '\0'), 1, 1, 1));
    EXPECT_EQ(actor_list().entries().size(), 2U);
}

TEST_F(Actors, EnhancedNameFieldGivesNameAndTag) {
    qvchat2::add_enhanced_actor(nullptr, enhanced_payload(1,
                                                          std::string("\x81"
                                                                      "Ann \x8a"
                                                                      "XY\0",
                                                                      9),
                                                          5, 9, 2));
    qvchat2::add_enhanced_actor(nullptr, enhanced_payload(2, std::string("Ann\0 XY", 7), 5, 9, 2));
    qvchat2::add_enhanced_actor(nullptr, enhanced_payload(3,
                                                          "\x01\x02"
                                                          "Cy TAG\x05rest",
                                                          5, 9, 2));
    qvchat2::add_enhanced_actor(nullptr, enhanced_payload(4, "Dee", 5, 9, 2));
    qvchat2::add_enhanced_actor(nullptr, enhanced_payload(5, "Eve ", 5, 9, 2));

    const auto entries = actor_list().entries();
    ASSERT_EQ(entries.size(), 5U);
    EXPECT_EQ(entries[0].name, "Ann");
    EXPECT_EQ(entries[0].tag, "XY");
    EXPECT_TRUE(entries[0].enhanced);
    EXPECT_EQ(entries[1].name, "Ann");
    EXPECT_EQ(entries[1].tag, "");
    EXPECT_EQ(entries[2].name, "Cy");
    EXPECT_EQ(entries[2].tag, "TAG");
    EXPECT_EQ(entries[3].name, "Dee");
    EXPECT_EQ(entries[3].tag, "");
    EXPECT_EQ(entries[4].name, "Eve");
    EXPECT_EQ(entries[4].tag, "");
}

TEST_F(Actors, AnExistingIdKeepsItsEntryUntilRemoved) {
    qvchat2::add_actor(nullptr, add_payload(5, "First", 1, 1, 1));
    qvchat2::add_enhanced_actor(nullptr, enhanced_payload(5, "Second", 1, 1, 1));
    EXPECT_EQ(actor_list().find(5)->name, "First");

    qvchat2::remove_actor(nullptr, {5, 0});
    qvchat2::remove_actor(nullptr, {5, 0});
    qvchat2::remove_actor(nullptr, {5});
    EXPECT_FALSE(actor_list().find(5).has_value());
    qvchat2::add_actor(nullptr, add_payload(5, "Second", 1, 1, 1));
    EXPECT_EQ(actor_list().find(5)->name, "Second");
}

TEST_F(Actors, SignedAmountsChangeHealthWithinZeroAnd65535) {
    using Handler = void (*)(qvnetworklib::Client*, const ByteVector&);
    const Handler damage = &qvchat2::get_actor_damage;
    const Handler heal = &qvchat2::get_actor_heal;
    struct HealthCase {
        std::uint16_t before;
        Handler message;
        std::uint16_t amount;  // as on the wire
        std::uint16_t after;
    };
    const HealthCase cases[] = {
        {30, heal, 10, 40},           {30, heal, 0xFFF6, 20},         {30, damage, 0xFFF6, 40},
        {5, damage, 10, 0},           {65530, heal, 10, 65535},       {30, heal, 40, 70},
        {100, damage, 0x8000, 32868}, {40000, heal, 0x8000, 7232},    {60000, heal, 0x7FFF, 65535},
        {10, heal, 0x8000, 0},        {65535, damage, 0x8000, 65535},
    };
    for (const HealthCase& change : cases) {
        qvchat2::remove_actor(nullptr, {1, 0});
        qvchat2::add_actor(nullptr, add_payload(1, "Bob", change.before, 30, 1));
        change.message(nullptr, id_amount(1, change.amount));
        EXPECT_EQ(health(1), change.after)
            << change.before << (change.message == heal ? " heal " : " damage ") << change.amount;
        EXPECT_EQ(actor_list().find(1)->max_health, 30);
    }
}

TEST_F(Actors, HealthChangesNeedAKnownIdAndFourBytes) {
    qvchat2::add_actor(nullptr, add_payload(1, "Bob", 5, 30, 1));
    qvchat2::get_actor_heal(nullptr, id_amount(2, 10));
    qvchat2::get_actor_damage(nullptr, id_amount(2, 10));
    qvchat2::get_actor_heal(nullptr, {1, 0, 10});
    qvchat2::get_actor_damage(nullptr, {1, 0, 1});
    EXPECT_EQ(health(1), 5);
    EXPECT_FALSE(actor_list().find(2).has_value());
}

TEST_F(Actors, LookWithNoActorsShowsOnlyTheHeader) {
    qvchat2::print_ui_actors(&gui, "ignored");
    EXPECT_THAT(gui.shown(), ElementsAre(grey("Local actors:")));
}

TEST_F(Actors, LookAlignsColumnsInAscendingId) {
    qvchat2::add_enhanced_actor(
        nullptr, enhanced_payload(40, std::string("Alexander ABC\0", 14), 5, 100, 2));
    qvchat2::add_actor(nullptr, add_payload(12, std::string("Bob\0", 4), 30, 30, 1));
    qvchat2::print_ui_actors(&gui, "");
    EXPECT_THAT(gui.shown(),
                ElementsAre(grey("Local actors:"), grey("Bob           ( 1  30/ 30 HP)"),
                            grey("Alexander ABC ( 2   5/100 HP)")));
}

TEST_F(Actors, LookWidensTheHealthColumnsAndPrintsWideValuesWhole) {
    qvchat2::add_actor(nullptr, add_payload(1, "Bo", 0, 0, 123));
    qvchat2::add_actor(nullptr, add_payload(2, "Cy", 5, 9, 7));
    qvchat2::get_actor_heal(nullptr, id_amount(2, 0x7FFF));
    qvchat2::print_ui_actors(&gui, "");
    EXPECT_THAT(gui.shown(), ElementsAre(grey("Local actors:"), grey("Bo  (123     0/    0 HP)"),
                                         grey("Cy  ( 7 32772/    9 HP)")));
}

// Columns as shown: control bytes take none, and no name or tag widens the others beyond 30.
TEST_F(Actors, LookPadsByShownColumnsToThirtyAtMostAndPrintsLongerTextWhole) {
    const std::string coloured_bo = std::string("\x81") + "Bo\x1b";
    qvchat2::add_enhanced_actor(nullptr, enhanced_payload(1, "Ann \x8aXY", 1, 1, 1));
    qvchat2::add_actor(nullptr, add_payload(2, coloured_bo, 1, 1, 1));
    qvchat2::add_enhanced_actor(nullptr, enhanced_payload(3, "C\x85y TAG", 1, 1, 1));
    qvchat2::print_ui_actors(&gui, "");
    EXPECT_THAT(gui.shown(), ElementsAre(grey("Local actors:"), grey("Ann  XY ( 1 1/1 HP)"),
                                         grey(coloured_bo + "      ( 1 1/1 HP)"),
                                         grey("C\x85y  TAG ( 1 1/1 HP)")));

    const std::string long_name(60000, 'N');
    const std::string long_tag(40, 'T');
    qvchat2::add_enhanced_actor(nullptr, enhanced_payload(4, long_name + " " + long_tag, 1, 1, 1));
    gui.forget_all();
    qvchat2::print_ui_actors(&gui, "");
    ASSERT_EQ(gui.shown().size(), 5U);
    // Name and tag columns of 30 each, with the one space between them.
    EXPECT_EQ(gui.shown()[1],
              grey("Ann" + std::string(27, ' ') + " " + std::string(28, ' ') + "XY ( 1 1/1 HP)"));
    EXPECT_EQ(gui.shown()[4], grey(long_name + " " + long_tag + " ( 1 1/1 HP)"));
}

TEST_F(Actors, LookCountsALatin1LetterAsOneColumn) {
    qvchat2::add_enhanced_actor(nullptr, enhanced_payload(1, "\x81Zo\xEB \x8a\xC9lite", 1, 1, 1));
    qvchat2::add_actor(nullptr, add_payload(2, "Bobby", 1, 1, 1));
    qvchat2::print_ui_actors(&gui, "");
    EXPECT_THAT(gui.shown(),
                ElementsAre(grey("Local actors:"), grey("Zo\xEB   \xC9lite ( 1 1/1 HP)"),
                            grey("Bobby       ( 1 1/1 HP)")));
}

// The lines stay as they are; a grey line for each noted player nearby follows, once a player.
TEST_F(Actors, LookEndsWithTheNotesOnThePlayersNearby) {
    ASSERT_TRUE(qvchat2::player_notes().keep("marek", "owes me 5 gold").accepted);
    ASSERT_TRUE(qvchat2::player_notes().keep("Ann", "guild leader").accepted);
    ASSERT_TRUE(qvchat2::player_notes().keep("Otto", "far away").accepted);
    qvchat2::add_actor(nullptr, add_payload(3, "Ann", 1, 1, 1));
    qvchat2::add_enhanced_actor(nullptr, enhanced_payload(1, "MA\x85REK TAG", 1, 1, 1));
    qvchat2::add_actor(nullptr, add_payload(2, "Bob", 1, 1, 1));
    qvchat2::add_actor(nullptr, add_payload(4, "Ann", 1, 1, 1));
    qvchat2::print_ui_actors(&gui, "");
    const std::string note_color(1, static_cast<char>(qvchat2gui::OFF_CHANNEL_COLOR));
    EXPECT_THAT(
        gui.shown(),
        ElementsAre(grey("Local actors:"), grey("MA\x85REK TAG ( 1 1/1 HP)"),
                    grey("Bob       ( 1 1/1 HP)"), grey("Ann       ( 1 1/1 HP)"),
                    grey("Ann       ( 1 1/1 HP)"), note_color + "note on marek: owes me 5 gold",
                    note_color + "note on Ann: guild leader"));
    for (const char* name : {"marek", "Ann", "Otto"}) {
        qvchat2::player_notes().remove(name);
    }
}

TEST(NumDigits, CountsDecimalDigits) {
    EXPECT_EQ(qvchat2::num_digits(0), 0);
    EXPECT_EQ(qvchat2::num_digits(1), 1);
    EXPECT_EQ(qvchat2::num_digits(9), 1);
    EXPECT_EQ(qvchat2::num_digits(10), 2);
    EXPECT_EQ(qvchat2::num_digits(99), 2);
    EXPECT_EQ(qvchat2::num_digits(100), 3);
    EXPECT_EQ(qvchat2::num_digits(9999), 4);
    EXPECT_EQ(qvchat2::num_digits(10000), 5);
    EXPECT_EQ(qvchat2::num_digits(65535), 5);
}

TEST(NameCharacters, ZeroAndSpaceEndAName) {
    EXPECT_TRUE(qvchat2::illegal_name_char('\0'));
    EXPECT_TRUE(qvchat2::illegal_name_char(' '));
    EXPECT_FALSE(qvchat2::illegal_name_char('A'));
    EXPECT_FALSE(qvchat2::illegal_name_char('\x85'));
}

}  // namespace
