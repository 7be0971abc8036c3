#pragma once

// Helpers for tests that push whole logs through the conversion: the problem lines in the order
// the window shows them, the filled spreadsheet cells in a compact form, and a time-zone guard.

#include "adif/line_reader.h"
#include "adif_test_util.h"
#include "common/convert_options.h"
#include "convert/conversion.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

namespace q9xz::probe {

struct Outcome {
    std::vector<std::string> problems; // oldest first
    std::vector<std::string> cells;    // "Georgia CW 20m 05-Jan", in spreadsheet order
    std::size_t csv_lines = 0;
    std::int32_t written = 0;
    bool not_a_log = false;
    std::optional<std::string> program_id; // of the log's header
};

inline std::vector<std::string> split(const std::string& text, const std::string& separator) {
    std::vector<std::string> parts;
    std::size_t from = 0;
    for (;;) {
        const std::size_t at = text.find(separator, from);
        parts.push_back(text.substr(from, at - from));
        if (at == std::string::npos)
            return parts;
        from = at + separator.size();
    }
}

inline std::vector<std::string> filled_cells(const std::string& csv) {
    std::vector<std::string> cells;
    const std::vector<std::string> lines = split(csv, "\r\n");
    if (lines.empty())
        return cells;
    const std::vector<std::string> header = split(lines.front(), ",");
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::vector<std::string> fields = split(lines[i], ",");
        for (std::size_t column = 3; column < fields.size() && column < header.size(); ++column)
            if (!fields[column].empty())
                cells.push_back(fields[0] + " " + fields[1] + " " + header[column] + " " +
                                fields[column]);
    }
    return cells;
}

inline Outcome convert(LineReader& input, const ConvertOptions& options) {
    const ConversionResult result = run_conversion(input, options);
    Outcome outcome;
    for (const std::string& line : result.lists.problems)
        outcome.problems.push_back(line);
    std::reverse(outcome.problems.begin(), outcome.problems.end());
    outcome.cells = filled_cells(result.csv);
    outcome.csv_lines = split(result.csv, "\r\n").size() - 1; // the text ends with a line end
    outcome.written = result.written;
    outcome.not_a_log = result.not_a_log.has_value();
    outcome.program_id = result.last_header.program_id;
    return outcome;
}

inline Outcome convert_text(const std::string& log, ConvertOptions options = {}) {
    LineReader input(log);
    return convert(input, options);
}

// Contact times are local times: pins the zone for one test and puts the old one back.
using TimeZoneGuard = test::ScopedTimeZone;

} // namespace q9xz::probe
