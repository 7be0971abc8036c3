#pragma once

#include <string>

namespace q9xz {

// Starts the desktop's default program for a document or web address ("xdg-open TARGET"),
// directly and never through a shell, so no name can run a command. Returns 33 once the helper
// is running, 2 when it could not be started (the Windows shell's "not found"). Does not wait.
int open_with_default_program(const std::string& target);

} // namespace q9xz
