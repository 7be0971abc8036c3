// Writes the map of a hand-filled tally: a fixed picture for the render test and the docs, made
// without any log so that it shows every kind of tile.
#include "analysis/state_tally.h"
#include "results/state_map.h"

#include <cstdio>
#include <string>

using namespace q9xz;

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUT.svg\n", argv[0]);
        return 2;
    }
    constexpr std::int64_t july_2014 = 1404561600;
    StateTally tally = build_state_tally();
    auto set = [&](const char* abbrev, int band, std::int64_t value) {
        if (StateEntry* entry = find_state(tally.get(), abbrev)) {
            mark(*entry, band, MIX) = value;
            mark(*entry, band, CW) = value;
        }
    };
    for (const char* abbrev : {"WA", "OR", "CA", "AZ", "NM", "CO", "MT", "SD", "MO", "IL", "OH",
                               "PA", "NY", "VT", "ME", "VA", "NC", "GA", "FL", "AL", "HI", "DC"})
        set(abbrev, 4, july_2014);
    for (const char* abbrev : {"TX", "KS", "MN", "WI", "MI", "MA", "NJ", "TN", "AK", "PR"})
        set(abbrev, 2, MARK_CONFIRMED);

    MapOptions options;
    options.choice = "LoTW";
    std::string svg = draw_state_map(tally.get(), options);
    std::FILE* out = std::fopen(argv[1], "wb");
    if (out == nullptr) {
        std::perror(argv[1]);
        return 1;
    }
    bool written = std::fwrite(svg.data(), 1, svg.size(), out) == svg.size();
    written = std::fclose(out) == 0 && written;
    return written ? 0 : 1;
}
