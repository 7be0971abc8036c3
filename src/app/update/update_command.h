#pragma once

#include "app/toolkit.h"

#include <string_view>

namespace q9xz {

// The window's Update button: checks the built-in update server on port 80 with this
// platform's HTTP client, against the program's own version text.
void run_update_command(Toolkit& toolkit, std::string_view own_version);

} // namespace q9xz
