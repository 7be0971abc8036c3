#pragma once

#include <cstdio>
#include <string>

namespace q9xz {

// The file operations that writing a file whole or not at all needs and that differ between
// systems. One implementation per platform, chosen by the build. On failure errno tells why.

// Creates `path` for writing in binary, only if no file or folder of that name exists yet, so a
// temporary file never takes over someone else's file. nullptr when it cannot.
std::FILE* create_new_file(const std::string& path);

// Writes the file's buffered bytes and asks the system to put them on the disk; false when
// either failed (a full disk, a dropped network share).
bool flush_to_disk(std::FILE* file);

// Renames `from` to `to` in one step, replacing a file `to` that exists; false when it failed,
// and then `to` is as it was.
bool replace_file(const std::string& from, const std::string& to);

} // namespace q9xz
