#pragma once

#include "app/toolkit.h"

#include <string_view>

namespace q9xz {

// The window's Update button: checks the built-in update server over HTTPS with this
// platform's client, against the program's own version text. Windows replaces its own program
// file with a newer version; Linux offers the download page.
void run_update_command(Toolkit& toolkit, std::string_view own_version);

} // namespace q9xz
