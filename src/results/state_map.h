#pragma once

#include "analysis/state_tally.h"
#include "common/convert_options.h"

#include <optional>
#include <string>
#include <string_view>

namespace q9xz {

// How an entity stands in the chosen mode column, over all bands or on one band.
enum class MapStatus { NOT_WORKED, WORKED, CONFIRMED };

struct MapOptions {
    std::string_view choice = "Last"; // "First", "Last" or "LoTW", named in the title line
    ModeColumn column = MIX;          // the mode column the tiles show
    std::optional<int> band;          // one band index 0 to 10; none draws all bands
};

// Confirmed when any considered band's mark is MARK_CONFIRMED, worked when any is a time, else
// not worked. A band outside 0 to 10 counts as all bands.
MapStatus map_status(const StateEntry& entry, ModeColumn column, std::optional<int> band);

// The mode column named "MIX", "CW", "DIG" or "PH" in any case, or none.
std::optional<ModeColumn> map_mode_column(std::string_view label);
// The band index of a band label such as "20m" in any case, or none.
std::optional<int> map_band(std::string_view label);

// "LoTW", "First" or "Last": the choice the evaluator follows.
std::string_view choice_label(Choice choice);

// A self-contained SVG picture of the tally: the 50 states on a tile grid in the country's shape,
// the District of Columbia and the territories in a row of their own, each tile coloured by its
// status, a legend, and a title line with the counts of the states (as the first summary line
// counts them).
std::string draw_state_map(const StateTally& tally, const MapOptions& options);

} // namespace q9xz
