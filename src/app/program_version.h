#pragma once

#include <string>

namespace q9xz {

// The program's version text, "2.6": the second word of its revision keyword. Made on the first
// call; every call returns the same text.
const std::string& program_version();

} // namespace q9xz
