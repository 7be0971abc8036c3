#pragma once

#include <string>

namespace q9xz {

// The system's own words for a failed file operation, which differ between systems. One
// implementation per platform, chosen by the build.

// The system's own code for the failure of the call just made, where it keeps one beside errno
// (Windows' last error); 0 elsewhere. Read it before any other call can change it.
unsigned long last_system_error();

// The system's message for a failure with errno `error`: strerror's text here. On Windows the
// message of `system_error`, which tells the same failure more exactly (a file held open by
// another program, not only "Permission denied"), when it is that failure; else strerror's text.
std::string system_message(int error, unsigned long system_error);

} // namespace q9xz
