#pragma once

#include <cstdint>
#include <string>

namespace q9xz::bench {

// The yardsticks for the conversion: the plainest C readings of the log, line by line with fgets
// into a 2048-byte buffer, counting the "<" characters. Each returns the count, or -1 when the
// file cannot be opened. Built with -O2, as a plain C program would be.

// Each "<" found with strchr.
std::int64_t count_tags_with_fgets(const std::string& path);

// Each line's bytes walked one by one up to its terminating zero.
std::int64_t count_tags_byte_by_byte(const std::string& path);

} // namespace q9xz::bench
