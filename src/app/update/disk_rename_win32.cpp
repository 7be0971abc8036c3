#include "app/update/update_files.h"

#include <windows.h>

namespace q9xz {

// The C runtime's rename refuses an existing target on Windows, so ask the system to replace it.
bool DiskUpdateFiles::rename_replacing(const std::string& from, const std::string& to) {
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

} // namespace q9xz
