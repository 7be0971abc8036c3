#pragma once

#include "analysis/state_tally.h"
#include "common/convert_options.h"

#include <cstdint>
#include <string>

namespace q9xz {

// Appends the spreadsheet's header line (CR LF ended) to `out`.
void write_CSV_header(std::string& out);

// Appends the row blocks of the entries whose is_state equals `selector`, in name order; adds
// one to the options' LoTW count per "LOTW" cell; returns the non-empty cells written.
std::int32_t write_CSV_rows(std::string& out, const StateEntry* tally, ConvertOptions& options,
                            std::int32_t selector);

// A cell's text for a mark: "" (none), "LOTW", or the local day and month such as "05-Jul".
std::string cell_text(std::int64_t mark);

} // namespace q9xz
