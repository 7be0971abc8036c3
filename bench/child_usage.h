#pragma once

#include <string>
#include <vector>

namespace q9xz::bench {

// What one run of another program cost, as the kernel counted it.
struct ChildUsage {
    bool ok = false;       // started and exited with status 0
    double seconds = 0;    // wall-clock time
    long peak_rss_kib = 0; // peak resident memory
};

// Runs `program` with `args`, its standard output and error sent to /dev/null, and waits for it.
ChildUsage run_child(const std::string& program, const std::vector<std::string>& args);

} // namespace q9xz::bench
