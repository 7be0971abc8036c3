// Converts arbitrary bytes as a log, under the First, Last and LoTW choices in turn with one
// ConvertOptions (as one run of the window does), and checks the spreadsheet and the lines.
// Then it cuts the bytes in two logs (where the first byte says) and checks that converting the
// two together (under the choice the last byte says) gives each slot the mark the two logs' own
// tallies give it under the choice's rule, and the two logs' problem lines in order, each named
// by its log. Before all that, the log is read with the plain, slow reader beside the real one:
// both must agree, call by call.

#include "adif/line_reader.h"
#include "analysis/state_tally.h"
#include "common/convert_options.h"
#include "convert/conversion.h"
#include "fuzz_check.h"
#include "slow_reader.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace q9xz;

constexpr std::string_view CSV_HEADER = "STATE,MODE,,160m,80m,40m,30m,20m,17m,15m,12m,10m,6m,2m";
constexpr std::size_t CSV_LINES = 229;
constexpr std::size_t FIELDS_PER_ROW = 14;
constexpr std::size_t PROBLEM_LINE_MAX = 79;

struct CellCounts {
    std::int32_t filled = 0;
    std::int32_t lotw = 0;
};

// Checks the file's shape and counts its non-empty and "LOTW" cells.
CellCounts check_csv(const std::string& csv) {
    std::size_t lines = 0;
    std::int32_t cells = 0;
    std::int32_t lotw = 0;
    std::size_t start = 0;
    while (start < csv.size()) {
        const std::size_t end = csv.find("\r\n", start);
        FUZZ_CHECK(end != std::string::npos); // every line, the last one included, ends in CR LF
        const std::string_view line(csv.data() + start, end - start);
        FUZZ_CHECK(line.find_first_of("\r\n") == std::string_view::npos);
        if (lines == 0)
            FUZZ_CHECK(line == CSV_HEADER);
        else if (lines % 4 == 0)
            FUZZ_CHECK(line.empty());
        else {
            std::size_t field = 0;
            std::size_t from = 0;
            for (;; ++field) {
                const std::size_t comma = line.find(',', from);
                const std::string_view cell = line.substr(from, comma - from);
                if (field == 2)
                    FUZZ_CHECK(cell.empty()); // the spacer column
                if (field >= 3 && !cell.empty()) {
                    ++cells;
                    if (cell == "LOTW")
                        ++lotw;
                    else
                        FUZZ_CHECK(cell.size() == 6 && cell[2] == '-'); // such as 05-Jul
                }
                if (comma == std::string_view::npos)
                    break;
                from = comma + 1;
            }
            FUZZ_CHECK(field + 1 == FIELDS_PER_ROW);
        }
        ++lines;
        start = end + 2;
    }
    FUZZ_CHECK(lines == CSV_LINES);
    return {cells, lotw};
}

void check_lines(const std::vector<std::string>& lines) {
    for (std::string_view line : lines) {
        FUZZ_CHECK(line.find('\0') == std::string::npos);
        FUZZ_CHECK(line.size() <= PROBLEM_LINE_MAX);
    }
}

// Every contact marks its mode column and MIX on its band, so MIX sums up the three columns:
// under First the earliest of them, under Last the latest, and confirmed once any of them is.
void check_tally(const StateTally& tally, Choice choice) {
    for (const StateEntry& entry : tally) {
        for (int band = 0; band < BAND_COUNT; ++band) {
            const std::int64_t mix = mark(entry, band, MIX);
            bool any = false;
            bool confirmed = false;
            std::int64_t earliest = INT64_MAX;
            std::int64_t latest = INT64_MIN;
            for (ModeColumn column : {CW, DIG, PH}) {
                const std::int64_t slot = mark(entry, band, column);
                if (slot == MARK_NONE)
                    continue;
                any = true;
                confirmed = confirmed || slot == MARK_CONFIRMED;
                earliest = std::min(earliest, slot);
                latest = std::max(latest, slot);
            }
            FUZZ_CHECK(any == (mix != MARK_NONE));
            if (choice != Choice::LOTW)
                FUZZ_CHECK(!confirmed && mix != MARK_CONFIRMED);
            FUZZ_CHECK(confirmed == (mix == MARK_CONFIRMED));
            if (any && choice == Choice::FIRST)
                FUZZ_CHECK(mix == earliest);
            if (any && choice == Choice::LAST)
                FUZZ_CHECK(mix == latest);
        }
    }
}

constexpr Choice CHOICES[] = {Choice::FIRST, Choice::LAST, Choice::LOTW};

// The mark a slot gets from two logs read one after the other, given what each gives alone.
std::int64_t merged_mark(std::int64_t first_log, std::int64_t second_log, Choice choice) {
    if (first_log == MARK_NONE || second_log == MARK_CONFIRMED)
        return second_log == MARK_NONE ? first_log : second_log;
    if (second_log == MARK_NONE || first_log == MARK_CONFIRMED)
        return first_log;
    if (choice == Choice::FIRST)
        return std::min(first_log, second_log);
    if (choice == Choice::LAST)
        return std::max(first_log, second_log);
    return first_log; // LoTW keeps the first contact met
}

std::vector<std::string> problem_lines(const ConversionResult& result) {
    std::vector<std::string> lines(result.lists.problems.begin(), result.lists.problems.end());
    std::reverse(lines.begin(), lines.end());
    return lines;
}

void check_two_logs(std::string_view first, std::string_view second,
                    const ConvertOptions& options) {
    LineReader first_alone{std::string(first)};
    const ConversionResult a = run_conversion(first_alone, options);
    LineReader second_alone{std::string(second)};
    const ConversionResult b = run_conversion(second_alone, options);
    LineReader first_input{std::string(first)};
    LineReader second_input{std::string(second)};
    const LogInput logs[] = {{&first_input, "a"}, {&second_input, "b"}};
    const ConversionResult both = run_conversion(logs, options);
    // A part that holds no tag is refused, and the two are then refused at that part.
    if (a.not_a_log || b.not_a_log) {
        FUZZ_CHECK(both.not_a_log == (a.not_a_log ? 0u : 1u) && both.csv.empty());
        return;
    }

    const CellCounts cells = check_csv(both.csv);
    FUZZ_CHECK(both.written == cells.filled);
    FUZZ_CHECK(both.lotw_confirmed == cells.lotw);
    check_tally(both.tally, options.choice);

    for (std::size_t index = 0; index < both.tally.size(); ++index) {
        for (int band = 0; band < BAND_COUNT; ++band) {
            for (ModeColumn column : {MIX, CW, DIG, PH}) {
                FUZZ_CHECK(mark(both.tally[index], band, column) ==
                           merged_mark(mark(a.tally[index], band, column),
                                       mark(b.tally[index], band, column), options.choice));
            }
        }
    }

    std::vector<std::string> expected;
    for (const std::string& line : problem_lines(a))
        expected.push_back("a: " + line);
    for (const std::string& line : problem_lines(b))
        expected.push_back("b: " + line);
    FUZZ_CHECK(problem_lines(both) == expected);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Contact times are local times; a fixed zone makes every run reproducible.
    setenv("TZ", "UTC", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string log(reinterpret_cast<const char*>(data), size);
    // The reader's short ways must read the log as the plain one does, call by call.
    if (const std::optional<std::string> difference = slow::first_difference(log)) {
        std::fprintf(stderr, "the readers differ at %s\n", difference->c_str());
        FUZZ_CHECK(!difference);
    }
    for (const Choice choice : CHOICES) {
        const ConvertOptions options{choice};
        LineReader input(log);
        const ConversionResult result = run_conversion(input, options);
        if (result.not_a_log) {
            // Refused: nothing is written, and no summary is made.
            FUZZ_CHECK(result.csv.empty() && result.written == 0 && result.lists.summary.empty());
            continue;
        }
        const CellCounts cells = check_csv(result.csv);
        FUZZ_CHECK(result.written == cells.filled);
        FUZZ_CHECK(result.lotw_confirmed == cells.lotw);
        // "LOTW" cells come only from confirmations, which only the LoTW choice looks at.
        if (choice != Choice::LOTW)
            FUZZ_CHECK(cells.lotw == 0);
        check_tally(result.tally, choice);
        check_lines(shown_lines(result.lists));
        FUZZ_CHECK(completion_text(result.written, result.lotw_confirmed, "log.CSV").size() <= 259);
    }
    // One choice per input keeps the runs fast; the last byte picks it.
    const std::size_t cut = size == 0 ? 0 : data[0] * size / 256;
    check_two_logs(std::string_view(log).substr(0, cut), std::string_view(log).substr(cut),
                   ConvertOptions{CHOICES[size == 0 ? 0 : data[size - 1] % 3]});
    return 0;
}
