// Writes a map to render: of a log read through the conversion (with the LoTW choice, so that
// confirmed tiles show), or, without a log, of a hand-filled tally that has every kind of tile.
#include "adif/line_reader.h"
#include "analysis/state_tally.h"
#include "convert/conversion.h"
#include "results/state_map.h"

#include <cstdio>
#include <string>

using namespace q9xz;

namespace {

StateTally hand_filled_tally() {
    constexpr std::int64_t july_2014 = 1404561600;
    StateTally tally = build_state_tally();
    auto set = [&](const char* abbrev, int band, std::int64_t value) {
        if (StateEntry* entry = find_state(tally, abbrev)) {
            mark(*entry, band, MIX) = value;
            mark(*entry, band, CW) = value;
        }
    };
    for (const char* abbrev : {"WA", "OR", "CA", "AZ", "NM", "CO", "MT", "SD", "MO", "IL", "OH",
                               "PA", "NY", "VT", "ME", "VA", "NC", "GA", "FL", "AL", "HI", "DC"})
        set(abbrev, 4, july_2014);
    for (const char* abbrev : {"TX", "KS", "MN", "WI", "MI", "MA", "NJ", "TN", "AK", "PR"})
        set(abbrev, 2, MARK_CONFIRMED);
    return tally;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: %s OUT.svg [LOG.adi]\n", argv[0]);
        return 2;
    }
    const ConvertOptions options{Choice::LOTW};
    StateTally tally;
    if (argc == 3) {
        std::unique_ptr<LineReader> log = LineReader::open(argv[2]);
        if (!log) {
            std::perror(argv[2]);
            return 1;
        }
        tally = run_conversion(*log, options).tally;
    } else {
        tally = hand_filled_tally();
    }

    MapOptions map;
    map.choice = choice_label(options.choice);
    std::string svg = draw_state_map(tally, map);
    std::FILE* out = std::fopen(argv[1], "wb");
    if (out == nullptr) {
        std::perror(argv[1]);
        return 1;
    }
    bool written = std::fwrite(svg.data(), 1, svg.size(), out) == svg.size();
    written = std::fclose(out) == 0 && written;
    return written ? 0 : 1;
}
