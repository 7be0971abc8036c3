#pragma once

#include "analysis/message_lists.h"
#include "analysis/state_tally.h"

#include <cstdint>

namespace q9xz {

// Four summary lines: the entities selected by is_state worked (and confirmed) per mode column.
void summarize_modes(MessageLists& lists, const StateTally& tally, std::int32_t selector);
// One summary line per band on which a selected entity was worked.
void summarize_bands(MessageLists& lists, const StateTally& tally, std::int32_t selector);

// After the band lines, when a state was worked on any mode column: an empty line, then for each
// mode column with a worked state the states not yet worked on it ("Needed on CW  (3): DE ND WY"),
// or not yet confirmed on it when `by_confirmation` (the LoTW choice), 16 to a line.
void summarize_needed(MessageLists& lists, const StateTally& tally, bool by_confirmation);

} // namespace q9xz
