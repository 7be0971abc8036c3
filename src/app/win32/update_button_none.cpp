#include "app/win32/update_button.h"

namespace q9xz {

std::function<void()> update_button_command(Toolkit&) {
    return {};
}

} // namespace q9xz
