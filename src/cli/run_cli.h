#pragma once

#include <array>
#include <cstdio>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace q9xz {

// One option of the command-line converter; `value` names its argument, empty for none.
struct CliOption {
    std::string_view name;
    std::string_view value;
};

// Every option the converter accepts; anything else that starts with "-" is refused. The manual
// page lists the same ones.
inline constexpr std::array<CliOption, 11> CLI_OPTIONS{{
    {"-o", "OUTPUT"},
    {"-f", ""},
    {"-l", ""},
    {"-L", ""},
    {"--map", "FILE.svg"},
    {"--map-mode", "MODE"},
    {"--map-band", "BAND"},
    {"--version", ""},
    {"-h", ""},
    {"--help", ""},
    {"--", ""},
}};

// The command-line converter: `q9xz-convert [-f | -l] [--map ...] INPUT [OUTPUT]`, or
// `q9xz-convert [-f | -l] [--map ...] -o OUTPUT INPUT...` for several logs tallied together.
// Returns the exit code: 0 done, 1 a file could not be opened, read or written, 2 wrong usage.
// Standard output gets the lines the window's list shows; standard error what went wrong, the map's
// outcome and a note on a log without any 2014 Q9XZ contact. A log named "-" is read from
// `standard_input`, which the call then closes.
int run_cli(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err,
            std::FILE* standard_input = stdin);

} // namespace q9xz
