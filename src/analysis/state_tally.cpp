#include "analysis/state_tally.h"

#include "common/text.h"

#include <algorithm>

namespace q9xz {

namespace {

constexpr StateTally fresh_tally() {
    StateTally tally{};
    std::size_t next = 0;
    for (const EntityPair& pair : state_table)
        tally[next++] = {pair.abbrev, pair.name, 1, {}};
    for (const EntityPair& pair : other_entity_table)
        tally[next++] = {pair.abbrev, pair.name, 0, {}};
    std::sort(tally.begin(), tally.end(),
              [](const StateEntry& a, const StateEntry& b) { return a.name < b.name; });
    return tally;
}

constexpr StateTally FRESH_TALLY = fresh_tally();

// Names and abbreviations are each unique, so the order is the one order by name and an
// abbreviation finds one entry.
constexpr bool unique_names_and_abbreviations() {
    for (std::size_t i = 0; i < FRESH_TALLY.size(); ++i) {
        if (i > 0 && !(FRESH_TALLY[i - 1].name < FRESH_TALLY[i].name))
            return false;
        for (std::size_t j = 0; j < i; ++j)
            if (FRESH_TALLY[i].abbrev == FRESH_TALLY[j].abbrev)
                return false;
    }
    return true;
}
static_assert(unique_names_and_abbreviations());

// Folds a-z to A-Z in both texts, as equals_ignore_case() does, without a call per entry.
constexpr bool same_abbrev(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (ascii_upper(a[i]) != ascii_upper(b[i]))
            return false;
    return true;
}

} // namespace

StateTally build_state_tally() {
    return FRESH_TALLY;
}

StateEntry* find_state(StateTally& tally, std::string_view abbrev) {
    for (StateEntry& entry : tally)
        if (same_abbrev(abbrev, entry.abbrev))
            return &entry;
    return nullptr;
}

} // namespace q9xz
