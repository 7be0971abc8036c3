#include "results/summary.h"

#include "analysis/tables.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>
#include <vector>

namespace q9xz {

namespace {

struct Count {
    int worked = 0;
    int confirmed = 0;
};

// Whether the entry counts as worked (any band marked) and as confirmed (a band confirmed) on
// the mode column; a confirmed entry is a worked one too.
Count classify(const StateEntry& entry, ModeColumn column) {
    Count count;
    for (int band = 0; band < BAND_COUNT && count.confirmed == 0; ++band) {
        const std::int64_t value = mark(entry, band, column);
        count.confirmed = value == MARK_CONFIRMED ? 1 : 0;
        count.worked = count.worked != 0 || value != MARK_NONE ? 1 : 0;
    }
    return count;
}

// At most this many states on one needed line, so that the longest one ("Not confirmed on PH
// (50): " and 16 states) stays within the 79 characters of a list line.
constexpr std::size_t STATES_PER_LINE = 16;

void add_count_line(MessageLists& lists, const char* long_format, const char* short_format,
                    const Count& count, std::string_view label) {
    char buffer[LIST_LINE_BUFFER];
    const std::string text(label);
    if (count.confirmed != 0) {
        std::snprintf(buffer, sizeof buffer, long_format, count.worked, text.c_str(),
                      count.confirmed);
    } else {
        std::snprintf(buffer, sizeof buffer, short_format, count.worked, text.c_str());
    }
    add_summary_line(lists, buffer);
}

// Calls `visit` for each entry whose is_state equals `selector`, in name order.
template <typename Visit>
void for_each_selected(const StateTally& tally, std::int32_t selector, Visit visit) {
    for (const StateEntry& entry : tally)
        if (entry.is_state == selector)
            visit(entry);
}

} // namespace

void summarize_modes(MessageLists& lists, const StateTally& tally, std::int32_t selector) {
    std::array<Count, MODE_COLUMN_COUNT> counts{};
    for_each_selected(tally, selector, [&](const StateEntry& entry) {
        for (int m = 0; m < MODE_COLUMN_COUNT; ++m) {
            const Count count = classify(entry, static_cast<ModeColumn>(m));
            counts[m].worked += count.worked;
            counts[m].confirmed += count.confirmed;
        }
    });
    for (int m = 0; m < MODE_COLUMN_COUNT; ++m) {
        add_count_line(lists, "%2d state(s) worked on %-3s (%2d confirmed)",
                       "%2d state(s) worked on %-3s", counts[m], mode_names[m]);
    }
}

void summarize_bands(MessageLists& lists, const StateTally& tally, std::int32_t selector) {
    std::array<Count, BAND_COUNT> counts{};
    for_each_selected(tally, selector, [&](const StateEntry& entry) {
        for (int band = 0; band < BAND_COUNT; ++band) {
            const std::int64_t value = mark(entry, band, MIX);
            if (value == MARK_CONFIRMED) {
                ++counts[band].worked;
                ++counts[band].confirmed;
            } else if (value != MARK_NONE) {
                ++counts[band].worked;
            }
        }
    });
    for (int band = 0; band < BAND_COUNT; ++band) {
        if (counts[band].worked == 0)
            continue;
        add_count_line(lists, "%2d state(s) worked on %4s (%2d confirmed)",
                       "%2d state(s) worked on %4s", counts[band], band_names[band]);
    }
}

void summarize_needed(MessageLists& lists, const StateTally& tally, bool by_confirmation) {
    std::array<int, MODE_COLUMN_COUNT> worked{};
    std::array<std::vector<std::string_view>, MODE_COLUMN_COUNT> missing;
    for_each_selected(tally, 1, [&](const StateEntry& entry) {
        for (int m = 0; m < MODE_COLUMN_COUNT; ++m) {
            const Count count = classify(entry, static_cast<ModeColumn>(m));
            worked[m] += count.worked;
            if ((by_confirmation ? count.confirmed : count.worked) == 0)
                missing[m].push_back(entry.abbrev);
        }
    });
    if (std::all_of(worked.begin(), worked.end(), [](int count) { return count == 0; }))
        return;
    add_summary_line(lists, "");
    for (int m = 0; m < MODE_COLUMN_COUNT; ++m) {
        if (worked[m] == 0)
            continue;
        const std::string label(mode_names[m]);
        char buffer[LIST_LINE_BUFFER];
        if (missing[m].empty()) {
            std::snprintf(buffer, sizeof buffer,
                          by_confirmation ? "All 50 states confirmed on %s"
                                          : "All 50 states worked on %s",
                          label.c_str());
            add_summary_line(lists, buffer);
            continue;
        }
        std::snprintf(buffer, sizeof buffer,
                      by_confirmation ? "Not confirmed on %-3s (%d): " : "Needed on %-3s (%d): ",
                      label.c_str(), static_cast<int>(missing[m].size()));
        std::string line = buffer;
        const std::vector<std::string_view>& states = missing[m];
        for (std::size_t i = 0; i < states.size(); ++i) {
            if (i > 0 && i % STATES_PER_LINE == 0) {
                add_summary_line(lists, line);
                line = "    ";
            } else if (i > 0) {
                line += ' ';
            }
            line += states[i];
        }
        add_summary_line(lists, line);
    }
}

} // namespace q9xz
