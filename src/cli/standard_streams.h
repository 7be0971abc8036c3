#pragma once

#include <cstdio>

namespace q9xz {

// What the converter needs to know of its standard streams, which differs between systems. One
// implementation per platform, chosen by the build.

// Makes standard input give its bytes as they are: on Windows it would otherwise read CR LF as LF
// and stop at Ctrl-Z, before our own line reader sees the log.
void read_standard_input_in_binary();

// Keeps a standard descriptor that the program was started without (`>&-`) from being taken by
// the next file it opens: a log there would pass for "-" as the output, an output for standard
// input. Each gets /dev/null, opened the wrong way round, so that using it fails as on a closed
// one ("Bad file descriptor").
void hold_closed_standard_descriptors();

// True when what is written to `stream` appears on a terminal (on Windows, the console).
bool is_terminal(std::FILE* stream);

} // namespace q9xz
