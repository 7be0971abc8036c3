#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace q9xz {

struct EntityPair {
    std::string_view abbrev;
    std::string_view name;
};

// The 50 states in ascending order of abbreviation; call_area_states refers to these indexes.
inline constexpr std::array<EntityPair, 50> state_table{{
    {"AK", "Alaska"},         {"AL", "Alabama"},      {"AR", "Arkansas"},
    {"AZ", "Arizona"},        {"CA", "California"},   {"CO", "Colorado"},
    {"CT", "Connecticut"},    {"DE", "Delaware"},     {"FL", "Florida"},
    {"GA", "Georgia"},        {"HI", "Hawaii"},       {"IA", "Iowa"},
    {"ID", "Idaho"},          {"IL", "Illinois"},     {"IN", "Indiana"},
    {"KS", "Kansas"},         {"KY", "Kentucky"},     {"LA", "Louisiana"},
    {"MA", "Massachusetts"},  {"MD", "Maryland"},     {"ME", "Maine"},
    {"MI", "Michigan"},       {"MN", "Minnesota"},    {"MO", "Missouri"},
    {"MS", "Mississippi"},    {"MT", "Montana"},      {"NC", "North Carolina"},
    {"ND", "North Dakota"},   {"NE", "Nebraska"},     {"NH", "New Hampshire"},
    {"NJ", "New Jersey"},     {"NM", "New Mexico"},   {"NV", "Nevada"},
    {"NY", "New York"},       {"OH", "Ohio"},         {"OK", "Oklahoma"},
    {"OR", "Oregon"},         {"PA", "Pennsylvania"}, {"RI", "Rhode Island"},
    {"SC", "South Carolina"}, {"SD", "South Dakota"}, {"TN", "Tennessee"},
    {"TX", "Texas"},          {"UT", "Utah"},         {"VA", "Virginia"},
    {"VT", "Vermont"},        {"WA", "Washington"},   {"WI", "Wisconsin"},
    {"WV", "West Virginia"},  {"WY", "Wyoming"},
}};

// Tallied like states, but never counted in the summary.
inline constexpr std::array<EntityPair, 7> other_entity_table{{
    {"DC", "District of Columbia"},
    {"KG", "Guantanamo"},
    {"MP", "Northern Marianas"},
    {"GU", "Guam"},
    {"AS", "American Samoa"},
    {"VI", "US Virgin Islands"},
    {"PR", "Puerto Rico"},
}};

struct PortablePrefix {
    std::string_view suffix; // the three characters after the "/"
    std::string_view abbrev;
};

// Suffixes that name the entity directly, whatever the record's STATE says; tested in order.
inline constexpr std::array<PortablePrefix, 8> portable_prefixes{{
    {"KG4", "KG"},
    {"KH0", "MP"},
    {"KH2", "GU"},
    {"KH6", "HI"},
    {"KH8", "AS"},
    {"KL7", "AK"},
    {"KP2", "VI"},
    {"KP4", "PR"},
}};

struct CallArea {
    std::size_t count;
    std::array<std::uint8_t, 8> states; // indexes into state_table, the first `count` used
};

// The states where a station signing "/" and the digit is expected to be (AK and HI are reached
// through portable_prefixes instead).
inline constexpr std::array<CallArea, 10> call_area_states{{
    {8, {5, 11, 15, 23, 22, 28, 27, 40}}, // 0: CO IA KS MO MN NE ND SD
    {6, {6, 18, 20, 29, 38, 45}},         // 1: CT MA ME NH RI VT
    {2, {30, 33}},                        // 2: NJ NY
    {3, {7, 19, 37}},                     // 3: DE MD PA
    {8, {1, 8, 9, 16, 26, 39, 41, 44}},   // 4: AL FL GA KY NC SC TN VA
    {6, {2, 17, 24, 31, 35, 42}},         // 5: AR LA MS NM OK TX
    {1, {4}},                             // 6: CA
    {8, {3, 12, 25, 32, 36, 43, 46, 49}}, // 7: AZ ID MT NV OR UT WA WY
    {3, {21, 34, 48}},                    // 8: MI OH WV
    {3, {13, 14, 47}},                    // 9: IL IN WI
}};

inline constexpr int BAND_COUNT = 11;
// The band index of each label is its position: the column order of the spreadsheet too.
inline constexpr std::array<std::string_view, BAND_COUNT> band_names{
    "160m", "80m", "40m", "30m", "20m", "17m", "15m", "12m", "10m", "6m", "2m"};

enum ModeColumn : int { MIX = 0, CW = 1, DIG = 2, PH = 3 };
inline constexpr int MODE_COLUMN_COUNT = 4;
inline constexpr std::array<std::string_view, MODE_COLUMN_COUNT> mode_names{"MIX", "CW", "DIG",
                                                                            "PH"};

// MODE values counted as phone, in the order tested (slow-scan television counts as phone).
inline constexpr std::array<std::string_view, 6> phone_modes{"AM",  "FM",  "LSB",
                                                             "SSB", "USB", "SSTV"};

// The band index whose label has the same leading number as the BAND text, or none.
std::optional<int> band_index(std::string_view band);
// CW, PH or DIG for a MODE text (never MIX).
ModeColumn mode_class(std::string_view mode);
// The entity named by a portable suffix such as "KH6", or none (case-sensitive).
std::optional<std::string_view> prefix_state(std::string_view suffix);
// 1 when the state (any case) is in the call area's list, else 0.
int state_in_call_area(std::string_view state, int digit);

} // namespace q9xz
