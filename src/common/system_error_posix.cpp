#include "common/system_error.h"

#include <cstring>

namespace q9xz {

unsigned long last_system_error() {
    return 0;
}

std::string system_message(int error, unsigned long /*system_error*/) {
    return std::strerror(error);
}

} // namespace q9xz
