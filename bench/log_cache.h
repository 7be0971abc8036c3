#pragma once

#include "genlog.h"

#include <cstdint>
#include <optional>
#include <string>

namespace q9xz::bench {

// The path of the generated log of this shape inside `folder`, making it first when it is not
// there yet. A log is written under a temporary name and renamed when complete, so an
// interrupted run never leaves a short log behind. None when the log cannot be written.
std::optional<std::string> cached_log(const std::string& folder, const LogShape& shape);

// Reads the whole file once so that the measurements find it in the page cache.
// Returns its size in bytes, or -1 when it cannot be read.
std::int64_t warm_file(const std::string& path);

} // namespace q9xz::bench
