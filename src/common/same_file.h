#pragma once

#include <string>

namespace q9xz {

// Whether two names, in the platform's narrow text, reach the same file: in other letter case
// where the file system ignores it, through "." and "..", links, or any other spelling. A name
// that reaches no file is the same as nothing.
//
// Narrow names are read as UTF-8 when they are valid UTF-8 (Linux, and Windows programs that
// run with UTF-8 as their code page), else as the standard library reads them. Where the file
// system cannot find a name that the C library opens (text in some other code page), the two
// files' bytes decide: a file whose bytes equal the other's is taken for the same, so that a log
// is never written over, at the cost of refusing to replace an exact copy of it.
bool same_file(const std::string& first, const std::string& second);

} // namespace q9xz
