#pragma once

#include "convert/conversion.h"

#include <string>

namespace q9xz::testing {

// Converts a log held in memory under the given options, as the Convert command does.
inline ConversionResult convert_text(const std::string& log, const ConvertOptions& options) {
    LineReader input(log);
    return run_conversion(input, options);
}

inline ConvertOptions choice(char which) {
    return {which == 'F' ? Choice::FIRST : which == 'W' ? Choice::LOTW : Choice::LAST};
}

// All lines the list box would show, each ended by "\n".
inline std::string shown_text(const ConversionResult& result) {
    std::string text;
    for (const std::string& line : shown_lines(result.lists))
        text += line + "\n";
    return text;
}

} // namespace q9xz::testing
