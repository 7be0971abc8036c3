#include "convert/convert_adif.h"

#include "adif/parse_adif.h"
#include "adif/record_pool.h"
#include "analysis/evaluate_qso.h"

namespace q9xz {
namespace {

// A record past its limits (AdifRecord::too_large()) is dropped up to its end instead of
// filling the memory.
constexpr const char* RECORD_TOO_LARGE = "ERROR: Record too large; skipped to its end";
constexpr const char* UNFINISHED_RECORD = "ERROR: Unfinished last record not read";

// Reads one log into the tally and closes it; returns its header. A log is judged by its own
// header, never by one read before it.
LogHeader read_log(LineReader& input, StateTally& tally, const ConvertOptions& options,
                   MessageLists& lists, RecordPool& pool, LocalDayCache& days) {
    LogHeader header;

    std::unique_ptr<AdifRecord> record;
    std::optional<std::string> message;
    AdifStatus status = ADIF_LINE_DONE;
    // Fields of the current record read before its header ended: the header's.
    std::size_t header_fields = 0;
    do {
        status = parse_ADIF(input, record, message, pool);
        // Listed before the status is acted on, so a duplicate field on the line that ended a
        // record comes before that record's own problem lines.
        if (message) {
            report_problem(lists, record.get(), *message);
            message.reset();
        }
        if (record && record->too_large()) {
            // A record exists from its first kept field.
            report_problem(lists, record->fields_kept() > 0 ? record.get() : nullptr,
                           RECORD_TOO_LARGE);
            record->drop();
        }
        switch (status) {
        case ADIF_LINE_DONE:
            break;
        case ADIF_END_OF_FILE:
            if (record && !record->dropped() && record->fields_read() > header_fields)
                report_problem(lists, record.get(), UNFINISHED_RECORD);
            break;
        case ADIF_HEADER_END:
            // The header's record stays current: the first QSO's fields join it. A dropped
            // header gives nothing.
            if (record && record->dropped()) {
                pool.recycle(std::move(record));
            } else if (record) {
                if (const AdifField* id = record->find("PROGRAMID"))
                    header.program_id = std::string(id->value);
            }
            header_fields = record ? record->fields_read() : 0;
            break;
        case ADIF_RECORD_END:
            if (record && !record->dropped())
                evaluate_QSO(*record, tally, options, header, lists, days);
            pool.recycle(std::move(record));
            header_fields = 0;
            break;
        }
    } while (status == ADIF_LINE_DONE || status == ADIF_HEADER_END || status == ADIF_RECORD_END);

    input.close();
    return header;
}

} // namespace

TalliedLogs convert_ADIF(std::span<const LogInput> logs, const ConvertOptions& options,
                         MessageLists& lists) {
    TalliedLogs read{build_state_tally(), {}};
    RecordPool pool;
    LocalDayCache days;
    for (const LogInput& log : logs) {
        lists.problem_prefix = logs.size() > 1 ? log.name + ": " : std::string();
        read.last_header = read_log(*log.reader, read.tally, options, lists, pool, days);
        // The conversion has failed, or the log is none: the logs after it are not read.
        if (log.reader->failed() || !log.reader->saw_tag())
            break;
    }
    lists.problem_prefix.clear();
    return read;
}

} // namespace q9xz
