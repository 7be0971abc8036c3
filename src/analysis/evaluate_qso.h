#pragma once

#include "adif/adif_record.h"
#include "analysis/message_lists.h"
#include "analysis/state_tally.h"
#include "common/convert_options.h"
#include "common/local_day_cache.h"

#include <cstdint>
#include <string_view>

namespace q9xz {

// Judges one QSO record and records a relevant contact in the tally. Returns 1 when the contact
// was rejected with a problem line, else 0. May strip trailing blanks from STATE, NAME, COMMENT.
std::int32_t evaluate_QSO(AdifRecord& record, StateEntry* tally, ConvertOptions& options,
                          MessageLists& lists);
// The same, reading local times through the conversion's cache.
std::int32_t evaluate_QSO(AdifRecord& record, StateEntry* tally, ConvertOptions& options,
                          MessageLists& lists, LocalDayCache& days);

// The contact's QSO_DATE and TIME_ON read as this machine's local time.
std::int64_t QSO_time(const AdifRecord& record);
std::int64_t QSO_time(const AdifRecord& record, LocalDayCache& days);

// The new mark of a slot under the First, Last or LoTW rule.
std::int64_t choose_mark(std::int64_t current, std::int64_t time, const ConvertOptions& options);

// Adds "CALL on DATE at TIME: message" (cut to 79 characters) to list 2, or the message alone
// when there is no record; either after the lists' problem prefix.
void report_problem(MessageLists& lists, const AdifRecord* record, std::string_view message);

} // namespace q9xz
