#pragma once

#include "analysis/state_tally.h"

#include <cstdint>
#include <string>

namespace q9xz {

// Appends the spreadsheet's header line (CR LF ended) to `out`.
void write_CSV_header(std::string& out);

// The cells of row blocks written.
struct CsvCells {
    std::int32_t written = 0;        // non-empty cells
    std::int32_t lotw_confirmed = 0; // "LOTW" cells among them
};

// Appends the row blocks of the entries whose is_state equals `selector`, in name order.
CsvCells write_CSV_rows(std::string& out, const StateTally& tally, std::int32_t selector);

// A cell's text for a mark: "" (none), "LOTW", or the local day and month such as "05-Jul".
std::string cell_text(std::int64_t mark);

} // namespace q9xz
