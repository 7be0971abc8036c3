#pragma once

#include <array>
#include <string_view>

namespace q9xz {

struct TilePlace {
    std::string_view abbrev;
    int row;    // 0 at the top
    int column; // 0 at the left
};

inline constexpr int MAP_ROWS = 8;
inline constexpr int MAP_COLUMNS = 11;

// The common square tile grid of the states: each state keeps its neighbours as far as a grid
// allows, Maine at the upper right, Alaska and Hawaii at the lower left.
// clang-format off
inline constexpr std::array<TilePlace, 50> state_tiles{{
    {"ME", 0, 10},
    {"VT", 1, 9}, {"NH", 1, 10},
    {"WA", 2, 0}, {"ID", 2, 1}, {"MT", 2, 2}, {"ND", 2, 3}, {"MN", 2, 4}, {"IL", 2, 5},
    {"WI", 2, 6}, {"MI", 2, 7}, {"NY", 2, 8}, {"RI", 2, 9}, {"MA", 2, 10},
    {"OR", 3, 0}, {"NV", 3, 1}, {"WY", 3, 2}, {"SD", 3, 3}, {"IA", 3, 4}, {"IN", 3, 5},
    {"OH", 3, 6}, {"PA", 3, 7}, {"NJ", 3, 8}, {"CT", 3, 9},
    {"CA", 4, 0}, {"UT", 4, 1}, {"CO", 4, 2}, {"NE", 4, 3}, {"MO", 4, 4}, {"KY", 4, 5},
    {"WV", 4, 6}, {"VA", 4, 7}, {"MD", 4, 8}, {"DE", 4, 9},
    {"AZ", 5, 1}, {"NM", 5, 2}, {"KS", 5, 3}, {"AR", 5, 4}, {"TN", 5, 5}, {"NC", 5, 6},
    {"SC", 5, 7},
    {"AK", 6, 0}, {"OK", 6, 3}, {"LA", 6, 4}, {"MS", 6, 5}, {"AL", 6, 6}, {"GA", 6, 7},
    {"HI", 7, 0}, {"TX", 7, 3}, {"FL", 7, 8},
}};
// clang-format on

} // namespace q9xz
