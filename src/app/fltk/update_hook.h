#pragma once

#include "app/toolkit.h"

#include <functional>

namespace q9xz {

// The Update button's command for this build: the update check when the build has an HTTP
// client, else an empty function (Update then does nothing).
std::function<void()> make_update_command(Toolkit& toolkit);

} // namespace q9xz
