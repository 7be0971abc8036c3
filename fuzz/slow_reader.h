#pragma once

// A reader of ADIF lines written for plainness, not speed: each step of a call is done the
// obvious way on a string of its own. The fuzz targets and the tests read the same logs with it
// and with parse_ADIF, call by call, and expect the same statuses, messages and records.

#include "adif/adif_record.h"
#include "adif/line_reader.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace q9xz::slow {

// One call, as parse_ADIF makes it.
AdifStatus parse_ADIF(LineReader& input, std::unique_ptr<AdifRecord>& record,
                      std::optional<std::string>& message);

// Reads `log` with both readers, keeping and handing on records as the conversion driver does,
// and returns a description of the first difference, or nothing when there is none.
std::optional<std::string> first_difference(std::string_view log,
                                            std::size_t max_line = LineReader::MAX_LINE);

} // namespace q9xz::slow
