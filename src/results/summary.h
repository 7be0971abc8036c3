#pragma once

#include "analysis/message_lists.h"
#include "analysis/state_tally.h"

#include <cstdint>

namespace q9xz {

// Four lines to list 0: the entities selected by is_state worked (and confirmed) per mode column.
void summarize_modes(MessageLists& lists, const StateEntry* tally, std::int32_t selector);
// One line to list 0 per band on which a selected entity was worked.
void summarize_bands(MessageLists& lists, const StateEntry* tally, std::int32_t selector);

} // namespace q9xz
