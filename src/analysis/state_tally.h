#pragma once

#include "analysis/tables.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string_view>

namespace q9xz {

inline constexpr std::int64_t MARK_NONE = 0;
inline constexpr std::int64_t MARK_CONFIRMED = -1;

// One state or other entity with its marks, a node of the tally's AA tree ordered by name.
struct StateEntry {
    std::string_view abbrev; // the table's own text
    std::string_view name;
    std::int32_t is_state = 0;
    // Per band, the slots in the order MIX, CW, PH, DIG (not the ModeColumn order); use mark().
    std::array<std::array<std::int64_t, 4>, BAND_COUNT> marks{};
    std::unique_ptr<StateEntry> left;
    std::unique_ptr<StateEntry> right;
    std::int32_t level = 0;
};

using StateTally = std::unique_ptr<StateEntry>;

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
StateTally insert_state(StateTally root, const EntityPair& pair, std::int32_t is_state);
// The entry whose abbreviation equals the text in any case, or nullptr. A tally holds each
// abbreviation once.
StateEntry* find_state(StateEntry* root, std::string_view abbrev);

// Visits the entries in ascending order of name.
template <typename Visit> void walk_in_order(const StateEntry* root, Visit&& visit) {
    if (root == nullptr)
        return;
    walk_in_order(root->left.get(), visit);
    visit(*root);
    walk_in_order(root->right.get(), visit);
}

} // namespace q9xz
