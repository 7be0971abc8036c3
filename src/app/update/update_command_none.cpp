#include "app/update/update_command.h"

namespace q9xz {

std::function<void()> make_update_command(Toolkit&) {
    return {};
}

} // namespace q9xz
