#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace q9xz::bench {

// A large, realistic station log for measuring the conversion. The same seed and record count
// always give the same bytes: a header with free text and PROGRAMID, then `records` QSO records
// of 10 to 20 fields on CR LF lines. About 5% are 2014 contacts with Q9XZ from every state,
// band and mode (a few of them with the mistakes real logs have); the rest are other stations
// and other years.
struct LogShape {
    std::uint64_t seed = 1;
    std::uint64_t records = 1000;
};

// Appends the whole log to `out`; meant for small logs (tests).
void generate_log(const LogShape& shape, std::string& out);

// Writes the log to an open binary stream in blocks; false when a write failed.
bool write_log(const LogShape& shape, std::FILE* out);

} // namespace q9xz::bench
