#pragma once

#include "adif/adif_record.h"
#include "adif/line_reader.h"

#include <memory>
#include <optional>
#include <string>

namespace q9xz {

// Reads one stretch of the log (below; more lines while a value continues over line ends) into
// `record`, creating it at its first field. `message` may come back with one problem text.
AdifStatus parse_ADIF(LineReader& input, std::unique_ptr<AdifRecord>& record,
                      std::optional<std::string>& message);

class RecordPool;
// The same, taking new records from `pool`, and leaving the lines in the reader's memory where
// it can instead of copying them into the record: a record made so is valid until the next call
// with another record (or none), and while the reader is open. A line that leaves the caller
// nothing to act on (no message, no end of a header or record, a record not too_large()) is
// not returned from: the call reads on.
//
// Either way a call reads one stretch at most: it ends at a line's end (a line longer than a
// read comes in pieces, all one stretch), after "<EOH>" or "<EOR>" (the next call goes on in the
// same line), or where the record becomes too_large() (the caller then drop()s it; a dropped
// record keeps nothing up to its end tag). Of the messages of a stretch the last comes back.
AdifStatus parse_ADIF(LineReader& input, std::unique_ptr<AdifRecord>& record,
                      std::optional<std::string>& message, RecordPool& pool);

} // namespace q9xz
