#pragma once

#include <cstdio>

namespace q9xz {

// What the converter needs to know of its standard streams, which differs between systems. One
// implementation per platform, chosen by the build.

// Makes standard input give its bytes as they are: on Windows it would otherwise read CR LF as LF
// and stop at Ctrl-Z, before our own line reader sees the log.
void read_standard_input_in_binary();

// True when what is written to `stream` appears on a terminal (on Windows, the console).
bool is_terminal(std::FILE* stream);

} // namespace q9xz
