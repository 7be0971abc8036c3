#pragma once

#include <cstdint>
#include <string>

namespace q9xz::bench {

// The yardstick for the conversion: the plainest C reading of the log, line by line with fgets
// into a 2048-byte buffer, counting the "<" characters. Returns the count, or -1 when the file
// cannot be opened.
std::int64_t count_tags_with_fgets(const std::string& path);

} // namespace q9xz::bench
