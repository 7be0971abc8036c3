#include "analysis/state_tally.h"
#include "analysis/tables.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <string_view>
#include <vector>

namespace q9xz {
namespace {

TEST(StateTally, EntriesInOrderOfFullName) {
    std::vector<std::string> names;
    for (const StateEntry& entry : build_state_tally())
        names.emplace_back(entry.name);
    const std::vector<std::string> expected = {
        "Alabama",
        "Alaska",
        "American Samoa",
        "Arizona",
        "Arkansas",
        "California",
        "Colorado",
        "Connecticut",
        "Delaware",
        "District of Columbia",
        "Florida",
        "Georgia",
        "Guam",
        "Guantanamo",
        "Hawaii",
        "Idaho",
        "Illinois",
        "Indiana",
        "Iowa",
        "Kansas",
        "Kentucky",
        "Louisiana",
        "Maine",
        "Maryland",
        "Massachusetts",
        "Michigan",
        "Minnesota",
        "Mississippi",
        "Missouri",
        "Montana",
        "Nebraska",
        "Nevada",
        "New Hampshire",
        "New Jersey",
        "New Mexico",
        "New York",
        "North Carolina",
        "North Dakota",
        "Northern Marianas",
        "Ohio",
        "Oklahoma",
        "Oregon",
        "Pennsylvania",
        "Puerto Rico",
        "Rhode Island",
        "South Carolina",
        "South Dakota",
        "Tennessee",
        "Texas",
        "US Virgin Islands",
        "Utah",
        "Vermont",
        "Virginia",
        "Washington",
        "West Virginia",
        "Wisconsin",
        "Wyoming",
    };
    EXPECT_EQ(names, expected);
}

TEST(StateTally, EntriesComeFromTheTablesAndStartUnmarked) {
    StateTally tally = build_state_tally();
    int states = 0;
    int others = 0;
    for (const StateEntry& entry : tally) {
        SCOPED_TRACE(std::string(entry.name));
        const auto in = [&](const auto& table) {
            return std::find_if(table.begin(), table.end(), [&](const EntityPair& pair) {
                       return pair.abbrev == entry.abbrev && pair.name == entry.name;
                   }) != table.end();
        };
        if (entry.is_state == 1) {
            ++states;
            EXPECT_TRUE(in(state_table));
        } else {
            EXPECT_EQ(entry.is_state, 0);
            ++others;
            EXPECT_TRUE(in(other_entity_table));
        }
        for (const auto& band : entry.marks)
            for (std::int64_t mark : band)
                EXPECT_EQ(mark, MARK_NONE);
    }
    EXPECT_EQ(states, 50);
    EXPECT_EQ(others, 7);
}

TEST(StateTally, MarkSlotsFollowTheStoredOrder) {
    StateTally tally = build_state_tally();
    StateEntry& entry = tally.front();
    mark(entry, 4, MIX) = 10;
    mark(entry, 4, CW) = 11;
    mark(entry, 4, DIG) = 12;
    mark(entry, 4, PH) = 13;
    // Within a band: MIX, CW, PH, DIG.
    EXPECT_EQ(entry.marks[4][0], 10);
    EXPECT_EQ(entry.marks[4][1], 11);
    EXPECT_EQ(entry.marks[4][2], 13);
    EXPECT_EQ(entry.marks[4][3], 12);
    const StateEntry& same = entry;
    EXPECT_EQ(mark(same, 4, PH), 13);
    EXPECT_EQ(mark(same, 3, PH), MARK_NONE);
    EXPECT_EQ(MARK_CONFIRMED, -1);
    EXPECT_EQ(MARK_NONE, 0);
}

TEST(FindState, ByAbbreviationInAnyCase) {
    StateTally tally = build_state_tally();
    struct Case {
        std::string_view text;
        std::string_view name; // empty: none
    };
    const Case cases[] = {
        {"ct", "Connecticut"},
        {"CT", "Connecticut"},
        {"Ct", "Connecticut"},
        {"DC", "District of Columbia"},
        {"ks", "Kansas"},
        {"AL", "Alabama"},
        {"WY", "Wyoming"},
        {"vi", "US Virgin Islands"},
        {"", ""},
        {"XX", ""},
        {"CT ", ""},
        {" CT", ""},
        {"C", ""},
        {"CTX", ""},
        {"Kansas", ""},
        {"C\xd4", ""}, // "T" with the high bit set
    };
    for (const Case& c : cases) {
        const StateEntry* entry = find_state(tally, c.text);
        if (c.name.empty()) {
            EXPECT_EQ(entry, nullptr) << '"' << c.text << '"';
        } else {
            ASSERT_NE(entry, nullptr) << '"' << c.text << '"';
            EXPECT_EQ(entry->name, c.name);
        }
    }
    EXPECT_EQ(find_state(tally, "DC")->is_state, 0);
    EXPECT_EQ(find_state(tally, "CT")->is_state, 1);

    // Every entity is found by its own abbreviation, in both cases.
    for (const auto* table : {&state_table}) {
        for (const auto& pair : *table) {
            std::string lower(pair.abbrev);
            for (char& c : lower)
                c = char(c - 'A' + 'a');
            EXPECT_EQ(find_state(tally, pair.abbrev)->name, pair.name);
            EXPECT_EQ(find_state(tally, lower)->name, pair.name);
        }
    }
    for (const auto& pair : other_entity_table)
        EXPECT_EQ(find_state(tally, pair.abbrev)->name, pair.name);
}

} // namespace
} // namespace q9xz
