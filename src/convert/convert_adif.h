#pragma once

#include "adif/line_reader.h"
#include "analysis/evaluate_qso.h"
#include "analysis/message_lists.h"
#include "analysis/state_tally.h"
#include "common/convert_options.h"

#include <span>
#include <string>

namespace q9xz {

// One log of a conversion: its reader and the name its problem lines carry when it is one of
// several (the path as the user gave it, or its base name in the window).
struct LogInput {
    LineReader* reader;
    std::string name;
};

// The logs of a conversion read into one tally.
struct TalliedLogs {
    StateTally tally;
    LogHeader last_header; // the header of the last log read
};

// Runs one conversion: reads the logs one after another into one tally, evaluating every QSO
// record, as if their records stood in one log in that order. Each log is judged by its own
// header alone, and a record a log leaves unfinished is dropped, never joined to the next log. A
// log that cannot be read to its end, or that holds no ADIF tag at all, ends the reading: the
// logs after it are not read. Problems go to the problem lines of `lists`; with more than one log
// every problem line starts with the log's name and ": ". Every input is closed before the call
// returns.
TalliedLogs convert_ADIF(std::span<const LogInput> logs, const ConvertOptions& options,
                         MessageLists& lists);

} // namespace q9xz
