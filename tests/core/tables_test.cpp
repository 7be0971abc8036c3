#include "analysis/tables.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace q9xz {
namespace {

TEST(Tables, StatesAreInAbbreviationOrderAndDistinct) {
    for (std::size_t i = 1; i < state_table.size(); ++i)
        EXPECT_LT(state_table[i - 1].abbrev, state_table[i].abbrev) << i;
    std::vector<std::string_view> abbrevs;
    for (const auto& pair : state_table)
        abbrevs.push_back(pair.abbrev);
    for (const auto& pair : other_entity_table) {
        EXPECT_EQ(std::count(abbrevs.begin(), abbrevs.end(), pair.abbrev), 0) << pair.abbrev;
        abbrevs.push_back(pair.abbrev);
    }
    for (std::string_view abbrev : abbrevs) {
        EXPECT_EQ(abbrev.size(), 2u);
        EXPECT_TRUE(
            std::all_of(abbrev.begin(), abbrev.end(), [](char c) { return c >= 'A' && c <= 'Z'; }));
    }
}

// The call-area lists by abbreviation, as the lists of indexes must resolve.
TEST(Tables, CallAreaListsNameTheRightStates) {
    const std::vector<std::vector<std::string_view>> expected = {
        {"CO", "IA", "KS", "MO", "MN", "NE", "ND", "SD"},
        {"CT", "MA", "ME", "NH", "RI", "VT"},
        {"NJ", "NY"},
        {"DE", "MD", "PA"},
        {"AL", "FL", "GA", "KY", "NC", "SC", "TN", "VA"},
        {"AR", "LA", "MS", "NM", "OK", "TX"},
        {"CA"},
        {"AZ", "ID", "MT", "NV", "OR", "UT", "WA", "WY"},
        {"MI", "OH", "WV"},
        {"IL", "IN", "WI"},
    };
    std::map<std::string_view, int> seen;
    for (int digit = 0; digit < 10; ++digit) {
        const CallArea& area = call_area_states[digit];
        std::vector<std::string_view> names;
        for (std::size_t i = 0; i < area.count; ++i) {
            ASSERT_LT(area.states[i], state_table.size());
            names.push_back(state_table[area.states[i]].abbrev);
            ++seen[names.back()];
        }
        EXPECT_EQ(names, expected[digit]) << "digit " << digit;
    }
    // Every state but AK and HI is in exactly one list.
    for (const auto& pair : state_table) {
        const int lists = seen.count(pair.abbrev) ? seen[pair.abbrev] : 0;
        EXPECT_EQ(lists, (pair.abbrev == "AK" || pair.abbrev == "HI") ? 0 : 1) << pair.abbrev;
    }
}

TEST(BandIndex, ComparesLeadingNumbers) {
    struct Case {
        std::string_view band;
        std::optional<int> index;
    };
    const Case cases[] = {
        {"160m", 0},
        {"80m", 1},
        {"40m", 2},
        {"30m", 3},
        {"20m", 4},
        {"17m", 5},
        {"15m", 6},
        {"12m", 7},
        {"10m", 8},
        {"6m", 9},
        {"2m", 10},
        {"20M", 4},
        {"20", 4},
        {" 40m", 2},
        {"+40m", 2},
        {"6mm", 9},
        {"2mm", 10},
        {"10", 8},
        {"160", 0},
        {"20 m", 4},
        {"60m", std::nullopt},
        {"70cm", std::nullopt},
        {"", std::nullopt},
        {"1.25m", std::nullopt},
        {"-40m", std::nullopt},
        {"0", std::nullopt},
        {"m", std::nullopt},
        {"abc", std::nullopt},
        {"99999999999m", std::nullopt},
        {"1600m", std::nullopt},
        {"4", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(band_index(c.band), c.index) << '"' << c.band << '"';
}

TEST(ModeClass, CwPhoneOrDigital) {
    struct Case {
        std::string_view mode;
        ModeColumn column;
    };
    const Case cases[] = {
        {"CW", CW},     {"cw", CW},   {"Cw", CW},     {"SSB", PH},  {"ssb", PH},  {"Sstv", PH},
        {"am", PH},     {"FM", PH},   {"LSB", PH},    {"usb", PH},  {"SSTV", PH}, {"RTTY", DIG},
        {"PSK31", DIG}, {"FT8", DIG}, {"", DIG},      {"CWR", DIG}, {"C", DIG},   {"SSB ", DIG},
        {" CW", DIG},   {"SS", DIG},  {"AMTOR", DIG}, {"DV", DIG},
    };
    for (const Case& c : cases)
        EXPECT_EQ(mode_class(c.mode), c.column) << '"' << c.mode << '"';
}

TEST(PrefixState, ExactThreeCharacterSuffixes) {
    struct Case {
        std::string_view suffix;
        std::optional<std::string_view> abbrev;
    };
    const Case cases[] = {
        {"KG4", "KG"},          {"KH0", "MP"},          {"KH2", "GU"},
        {"KH6", "HI"},          {"KH8", "AS"},          {"KL7", "AK"},
        {"KP2", "VI"},          {"KP4", "PR"},          {"KH7", std::nullopt},
        {"KP3", std::nullopt},  {"kh6", std::nullopt},  {"Kh6", std::nullopt},
        {"KH", std::nullopt},   {"KH6X", std::nullopt}, {"", std::nullopt},
        {"KH6 ", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(prefix_state(c.suffix), c.abbrev) << '"' << c.suffix << '"';
}

TEST(StateInCallArea, AnyCaseWholeText) {
    struct Case {
        std::string_view state;
        int digit;
        int expected;
    };
    const Case cases[] = {
        {"CA", 6, 1},  {"ca", 6, 1},  {"Ca", 6, 1},  {"OH", 8, 1}, {"oh", 8, 1}, {"SD", 0, 1},
        {"WY", 7, 1},  {"VA", 4, 1},  {"wi", 9, 1},  {"NJ", 2, 1}, {"PA", 3, 1}, {"VT", 1, 1},
        {"OH", 9, 0},  {"DC", 3, 0},  {"dc", 3, 0},  {"CA", 4, 0}, {"", 6, 0},   {"C", 6, 0},
        {"CAL", 6, 0}, {"CA ", 6, 0}, {" CA", 6, 0}, {"XX", 0, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(state_in_call_area(c.state, c.digit), c.expected)
            << '"' << c.state << "\" digit " << c.digit;
    for (int digit = 0; digit < 10; ++digit) {
        EXPECT_EQ(state_in_call_area("AK", digit), 0);
        EXPECT_EQ(state_in_call_area("HI", digit), 0);
        for (const auto& other : other_entity_table)
            EXPECT_EQ(state_in_call_area(other.abbrev, digit), 0) << other.abbrev;
    }
}

} // namespace
} // namespace q9xz
