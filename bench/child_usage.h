#pragma once

#include <string>
#include <vector>

namespace q9xz::bench {

// What one run of another program cost, as the kernel counted it.
struct ChildUsage {
    bool ok = false;         // started and exited with status 0
    double cpu_seconds = 0;  // user and system time
    double wall_seconds = 0; // elapsed time
    long peak_rss_kib = 0;   // peak resident memory
};

// Runs `program` with `args` under /usr/bin/time, its own output sent to /dev/null, and
// returns the figures time reports. `scratch` is a file that may be overwritten.
//
// The figures cannot come from our own wait4: a child made by fork or posix_spawn inherits this
// process's peak memory, which would hide the converter's. /usr/bin/time is small, and the
// converter it forks starts from its size instead.
ChildUsage run_child(const std::string& program, const std::vector<std::string>& args,
                     const std::string& scratch);

// Runs `program` with `args` directly, its output sent to /dev/null, and returns its CPU and
// elapsed time as our own wait4 counts them, to the microsecond (peak_rss_kib stays 0).
ChildUsage time_child(const std::string& program, const std::vector<std::string>& args);

} // namespace q9xz::bench
