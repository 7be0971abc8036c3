#pragma once

#include "analysis/tables.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace q9xz {

inline constexpr std::int64_t MARK_NONE = 0;
inline constexpr std::int64_t MARK_CONFIRMED = -1;

// One state or other entity with its marks.
struct StateEntry {
    std::string_view abbrev; // the table's own text
    std::string_view name;
    std::int32_t is_state = 0;
    // Per band, the slots in the order MIX, CW, PH, DIG (not the ModeColumn order); use mark().
    std::array<std::array<std::int64_t, 4>, BAND_COUNT> marks{};
};

inline constexpr std::size_t ENTITY_COUNT = state_table.size() + other_entity_table.size();

// The 57 entities in ascending order of full name, the order of the spreadsheet's rows and of
// every walk over the tally.
using StateTally = std::array<StateEntry, ENTITY_COUNT>;

// The slot of a mode column within a band's group of marks.
constexpr int mark_slot(ModeColumn column) {
    constexpr std::array<int, MODE_COLUMN_COUNT> slot_of{0, 1, 3, 2}; // MIX, CW, DIG, PH
    return slot_of[column];
}

inline std::int64_t& mark(StateEntry& entry, int band, ModeColumn column) {
    return entry.marks[band][mark_slot(column)];
}
inline std::int64_t mark(const StateEntry& entry, int band, ModeColumn column) {
    return entry.marks[band][mark_slot(column)];
}

// A new tally of the 57 entities, all unmarked.
StateTally build_state_tally();
// The entry whose abbreviation equals the text in any case, or nullptr.
StateEntry* find_state(StateTally& tally, std::string_view abbrev);

} // namespace q9xz
