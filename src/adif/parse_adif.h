#pragma once

#include "adif/adif_record.h"
#include "adif/line_reader.h"
#include "adif/record_pool.h"

#include <memory>
#include <optional>
#include <string>

namespace q9xz {

// Reads the log from `input` into `record` up to the next thing the caller acts on: the end of
// the header or of a record, a problem text in `message`, a record grown too_large() (the
// caller then drop()s it; a dropped record keeps nothing up to its end tag), or the end of the
// input. A record is created at its first field, taken from `pool`.
//
// Lines stay in the reader's memory where they can instead of being copied into the record
// (see LineReader): a record so made is valid until the next call with another record (or
// none), and while the reader is open.
//
// Reading ends at a line's end (a line longer than a read comes in pieces, all read on) or
// just after "<EOH>" or "<EOR>" (the next call goes on in the same line). Of the messages of
// one line the last comes back.
AdifStatus parse_ADIF(LineReader& input, std::unique_ptr<AdifRecord>& record,
                      std::optional<std::string>& message, RecordPool& pool);

} // namespace q9xz
