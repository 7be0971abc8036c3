#pragma once

#include "adif/adif_record.h"
#include "adif/line_reader.h"
#include "adif/record_pool.h"

#include <memory>
#include <optional>
#include <string>

namespace q9xz {

// Reads the log from `input` into `record`, creating it (taken from `pool`) at its first field,
// up to the next thing the caller acts on. A call returns
// - just after "<EOH>" or "<EOR>" (the next call goes on in the same line);
// - at the end of a line that gave a problem text in `message` (the last of the line's); a
//   line longer than a read comes in pieces, all read as one line;
// - where the record becomes too_large() (the caller then drop()s it; a dropped record keeps
//   nothing up to its end tag);
// - at the end of the input.
//
// Lines stay in the reader's memory where they can instead of being copied into the record
// (see LineReader): a record so made is valid until the next call with another record (or
// none), and while the reader is open.
AdifStatus parse_ADIF(LineReader& input, std::unique_ptr<AdifRecord>& record,
                      std::optional<std::string>& message, RecordPool& pool);

} // namespace q9xz
