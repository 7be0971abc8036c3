#include "adif_test_util.h"
#include "analysis/state_tally.h"
#include "analysis/tables.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <string_view>
#include <vector>

namespace q9xz {
namespace {

std::string_view entry_name(const StateEntry& entry) {
    return entry.name;
}

int path_length_max(const StateEntry* entry) {
    return test::tree_height(entry);
}

TEST(StateTally, FreshTallyShape) {
    StateTally tally = build_state_tally();
    ASSERT_NE(tally, nullptr);
    EXPECT_EQ(tally->name, "Kansas");
    EXPECT_EQ(tally->level, 4);
    EXPECT_LE(path_length_max(tally.get()), 7);

    const std::vector<std::string> names = test::check_aa_tree(tally.get(), entry_name);
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
    walk_in_order(tally.get(), [&](const StateEntry& entry) {
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
    });
    EXPECT_EQ(states, 50);
    EXPECT_EQ(others, 7);
}

TEST(StateTally, MarkSlotsFollowTheStoredOrder) {
    StateTally tally = build_state_tally();
    StateEntry& entry = *tally;
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
        const StateEntry* entry = find_state(tally.get(), c.text);
        if (c.name.empty()) {
            EXPECT_EQ(entry, nullptr) << '"' << c.text << '"';
        } else {
            ASSERT_NE(entry, nullptr) << '"' << c.text << '"';
            EXPECT_EQ(entry->name, c.name);
        }
    }
    EXPECT_EQ(find_state(tally.get(), "DC")->is_state, 0);
    EXPECT_EQ(find_state(tally.get(), "CT")->is_state, 1);
    EXPECT_EQ(find_state(nullptr, "CT"), nullptr);

    // Every entity is found by its own abbreviation, in both cases.
    for (const auto* table : {&state_table}) {
        for (const auto& pair : *table) {
            std::string lower(pair.abbrev);
            for (char& c : lower)
                c = char(c - 'A' + 'a');
            EXPECT_EQ(find_state(tally.get(), pair.abbrev)->name, pair.name);
            EXPECT_EQ(find_state(tally.get(), lower)->name, pair.name);
        }
    }
    for (const auto& pair : other_entity_table)
        EXPECT_EQ(find_state(tally.get(), pair.abbrev)->name, pair.name);
}

TEST(InsertState, KeepsTheRulesWithManyAndEqualNames) {
    // Names kept alive for the tree, which refers to them.
    std::vector<std::string> names;
    for (int i = 0; i < 2000; ++i)
        names.push_back(std::string("N").append(std::to_string((i * 7) % 1000))); // each twice
    std::vector<EntityPair> pairs;
    for (const std::string& name : names)
        pairs.push_back({"ZZ", name});

    StateTally root;
    for (const EntityPair& pair : pairs)
        root = insert_state(std::move(root), pair, 1);
    std::vector<std::string> keys = test::check_aa_tree(root.get(), entry_name);
    std::vector<std::string> sorted(names.begin(), names.end());
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(keys, sorted);
    EXPECT_LE(test::tree_height(root.get()), 24);

    // With equal abbreviations the entry later in name order is the one found.
    StateTally two;
    const EntityPair beta{"QQ", "Beta"};
    const EntityPair alpha{"QQ", "Alpha"};
    two = insert_state(std::move(two), beta, 1);
    two = insert_state(std::move(two), alpha, 0);
    ASSERT_NE(find_state(two.get(), "qq"), nullptr);
    EXPECT_EQ(find_state(two.get(), "qq")->name, "Beta");
    EXPECT_EQ(find_state(two.get(), "QQ")->is_state, 1);
}

TEST(InsertState, ALoneEntry) {
    const EntityPair pair{"KS", "Kansas"};
    StateTally root = insert_state(nullptr, pair, 1);
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->level, 0);
    EXPECT_EQ(root->left, nullptr);
    EXPECT_EQ(root->right, nullptr);
    EXPECT_EQ(root->abbrev.data(), pair.abbrev.data());
    EXPECT_EQ(root->is_state, 1);
}

} // namespace
} // namespace q9xz
