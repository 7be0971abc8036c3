#pragma once

#include "analysis/message_lists.h"
#include "analysis/state_tally.h"
#include "common/convert_options.h"
#include "common/line_reader.h"

namespace q9xz {

// Runs one conversion: reads the whole log, evaluates every QSO record, and returns the filled
// tally. Problems go to list 2 of `lists`. The input is closed before the call returns.
StateTally convert_ADIF(LineReader& input, ConvertOptions& options, MessageLists& lists);

} // namespace q9xz
