#pragma once

#include "chat/trigger_list.h"

namespace qvbench {

// A hundred triggers as a player might keep them: 50 words and 49 small regular expressions that
// a line seldom holds, and the word "iron".
void add_realistic_triggers(qvchat2::TriggerList& list);

}  // namespace qvbench
