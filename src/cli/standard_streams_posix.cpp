#include "cli/standard_streams.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace q9xz {

void read_standard_input_in_binary() {}

void hold_closed_standard_descriptors() {
    for (int number = 0; number <= 2; ++number) {
        // The lowest free descriptor is taken: this one, the lower ones being open by now.
        if (::fcntl(number, F_GETFD) == -1 && errno == EBADF)
            ::open("/dev/null", number == 0 ? O_WRONLY : O_RDONLY);
    }
}

bool is_terminal(std::FILE* stream) {
    return isatty(fileno(stream)) != 0;
}

} // namespace q9xz
