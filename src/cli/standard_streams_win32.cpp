#include "cli/standard_streams.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace q9xz {

void read_standard_input_in_binary() {
    _setmode(_fileno(stdin), _O_BINARY);
}

// Left to the C runtime, which sets up descriptors 0 to 2 itself, open or not.
void hold_closed_standard_descriptors() {}

bool is_terminal(std::FILE* stream) {
    // _isatty() is true for any character device, NUL among them; only the console has a mode.
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    DWORD mode = 0;
    return handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) != 0;
}

} // namespace q9xz
