#pragma once

#include "app/toolkit.h"

#include <functional>

namespace q9xz {

// The window's Update button in this build: the update check against the built-in update server
// over HTTPS with this platform's client, comparing with the program's own version. Windows
// replaces its own program file with a newer version; Linux offers the download page. Empty (the
// button does nothing) in a build without an HTTPS client. One half per platform, chosen by the
// build.
std::function<void()> make_update_command(Toolkit& toolkit);

} // namespace q9xz
