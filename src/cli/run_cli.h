#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace q9xz {

// The command-line converter: `q9xz-convert [-f | -l] INPUT [OUTPUT]`, or
// `q9xz-convert [-f | -l] -o OUTPUT INPUT...` for several logs tallied together. Returns the exit
// code: 0 done, 1 a file could not be opened or written, 2 wrong usage.
int run_cli(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

} // namespace q9xz
