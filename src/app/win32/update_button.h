#pragma once

#include "app/toolkit.h"

#include <functional>

namespace q9xz {

// What the Update button runs in this build: the update check over the Windows Internet client,
// or nothing in a build without it.
std::function<void()> update_button_command(Toolkit& toolkit);

} // namespace q9xz
