#include "cli/standard_streams.h"

#include <unistd.h>

namespace q9xz {

void read_standard_input_in_binary() {}

bool is_terminal(std::FILE* stream) {
    return isatty(fileno(stream)) != 0;
}

} // namespace q9xz
