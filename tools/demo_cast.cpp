#include "tools/demo_cast.h"

namespace qvdemo {

// Names avoid the letters "to" together: some clients take a private message from such a name
// for one the user sent.
const std::vector<DemoBot>& demo_cast() {
    static const std::vector<DemoBot> cast{
        {"Ferelith",
         "WARD",
         2,
         120,
         {"Fresh fish at the harbour, who wants some?", "Has anyone seen my cat?",
          "The north gate is closed again."},
         {"waves at everyone.", "laughs."},
         {"Selling 20 iron ore, PM me.", "Anyone up for the crypt tonight?"},
         {"Hello there! Enjoying the town?", "Sorry, busy at the stall right now."}},
        {"Marek",
         "",
         1,
         90,
         {"Lovely weather for a walk.", "I heard the wolves are back in the forest."},
         {"yawns.", "sits down by the fountain."},
         {"Looking for a group to hunt wolves.", "Does anyone know where to buy rope?"},
         {"Hi! What can I do for you?", "Meet me at the fountain."}},
        {"Ysolde",
         "MAGE",
         3,
         80,
         {"The library opens at noon.", "Careful with the rats in the cellar."},
         {"studies an old map."},
         {"Teaching fire spells at the tower, all welcome.", "Who has a spare mana potion?"},
         {"Greetings, traveller.", "I will answer when my spell is done."}},
        {"Brannock",
         "WARD",
         4,
         200,
         {"Keep your sword sharp.", "Nothing gets past me at this gate."},
         {"cracks his knuckles.", "salutes."},
         {"Guard duty swap at dusk.", "Report any trouble to the gate."},
         {"State your business.", "All quiet here."}},
    };
    return cast;
}

const std::vector<DemoCreature>& demo_creatures() {
    static const std::vector<DemoCreature> creatures{{"Grey Wolf", 20, 60},
                                                     {"Cave Rat", 21, 15},
                                                     {"Wild Boar", 22, 80},
                                                     {"Forest Deer", 23, 40}};
    return creatures;
}

const std::vector<std::string>& demo_server_notices() {
    static const std::vector<std::string> notices{
        "\x83The market opens at dawn.",
        "\x8A"
        "Double experience this hour!\x7F Enjoy.",
        "\x8F"
        "A storm is coming from the sea.",
        "\x99Remember to rest at the inn.",
    };
    return notices;
}

const std::vector<std::string>& demo_gm_messages() {
    static const std::vector<std::string> messages{
        "Welcome to all new players!",
        "The server will be restarted tomorrow morning.",
    };
    return messages;
}

}  // namespace qvdemo
