#include "app/update/update_files.h"

#include <cstdio>

namespace q9xz {

// POSIX rename replaces an existing target in one step.
bool DiskUpdateFiles::rename_replacing(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0;
}

} // namespace q9xz
