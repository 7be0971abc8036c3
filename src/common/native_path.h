#pragma once

#include <filesystem>
#include <string>

namespace q9xz {

// File names reach the program as narrow text: bytes on Linux, and on Windows the code page's
// text, which for our programs is UTF-8 where Windows honours their manifest. The standard
// library reads narrow text on Windows in neither way, so a name that is valid UTF-8 is handed
// to it as UTF-8; any other name as the library reads it.
std::filesystem::path path_of(const std::string& name);

// The narrow text of `path`, which was made by path_of(`name`) or from such a path, in the form
// `name` had: what the C library's calls take.
std::string text_of(const std::filesystem::path& path, const std::string& name);

} // namespace q9xz
