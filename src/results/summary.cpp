#include "results/summary.h"

#include "analysis/tables.h"

#include <array>
#include <cstdio>
#include <string>

namespace q9xz {

namespace {

struct Count {
    int worked = 0;
    int confirmed = 0;
};

void add_count_line(MessageLists& lists, const char* long_format, const char* short_format,
                    const Count& count, std::string_view label) {
    char buffer[80];
    const std::string text(label);
    if (count.confirmed != 0) {
        std::snprintf(buffer, sizeof buffer, long_format, count.worked, text.c_str(),
                      count.confirmed);
    } else {
        std::snprintf(buffer, sizeof buffer, short_format, count.worked, text.c_str());
    }
    add_line(0, lists, buffer);
}

} // namespace

void summarize_modes(MessageLists& lists, const StateEntry* tally, std::int32_t selector) {
    std::array<Count, MODE_COLUMN_COUNT> counts{};
    walk_in_order(tally, [&](const StateEntry& entry) {
        if (entry.is_state != selector)
            return;
        for (int m = 0; m < MODE_COLUMN_COUNT; ++m) {
            const ModeColumn column = static_cast<ModeColumn>(m);
            bool worked = false;
            bool confirmed = false;
            for (int band = 0; band < BAND_COUNT && !confirmed; ++band) {
                const std::int64_t value = mark(entry, band, column);
                confirmed = value == MARK_CONFIRMED;
                worked = worked || value != MARK_NONE;
            }
            counts[m].worked += worked ? 1 : 0;
            counts[m].confirmed += confirmed ? 1 : 0;
        }
    });
    for (int m = 0; m < MODE_COLUMN_COUNT; ++m) {
        add_count_line(lists, "%2d state(s) worked on %-3s (%2d confirmed)",
                       "%2d state(s) worked on %-3s", counts[m], mode_names[m]);
    }
}

void summarize_bands(MessageLists& lists, const StateEntry* tally, std::int32_t selector) {
    std::array<Count, BAND_COUNT> counts{};
    walk_in_order(tally, [&](const StateEntry& entry) {
        if (entry.is_state != selector)
            return;
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

} // namespace q9xz
