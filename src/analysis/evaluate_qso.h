#pragma once

#include "adif/adif_record.h"
#include "analysis/message_lists.h"
#include "analysis/state_tally.h"
#include "common/convert_options.h"
#include "common/local_day_cache.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace q9xz {

// What a log's header says about how its records are read.
struct LogHeader {
    std::optional<std::string> program_id; // PROGRAMID, when the header had one
};

// Judges one QSO record of a log with that header and records a relevant contact in the tally,
// reading local times through the conversion's cache. Returns 1 when the contact was rejected
// with a problem line, else 0.
std::int32_t evaluate_QSO(const AdifRecord& record, StateTally& tally,
                          const ConvertOptions& options, const LogHeader& header,
                          MessageLists& lists, LocalDayCache& days);

// The contact's QSO_DATE and TIME_ON read as this machine's local time.
std::int64_t QSO_time(const AdifRecord& record, LocalDayCache& days);

// The new mark of a slot under the choice's rule, for a contact made at `time` and, under LoTW,
// `confirmed` through it.
std::int64_t choose_mark(std::int64_t current, std::int64_t time, Choice choice, bool confirmed);

// Adds "CALL on DATE at TIME: message" (cut to 79 characters) to the problem lines, or the message
// alone when there is no record; either after the lists' problem prefix.
void report_problem(MessageLists& lists, const AdifRecord* record, std::string_view message);

} // namespace q9xz
