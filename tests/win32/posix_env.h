#pragma once
// The tests use a few POSIX calls (the time zone, temporary folders); the Windows runtime has
// its own. Included into every test source of the Windows build.
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <direct.h>

// The Windows runtime reads TZ only in its POSIX form ("EST5EDT"), not as a zone name.
inline const char* windows_zone(const char* name, const char* value) {
    if (std::strcmp(name, "TZ") == 0 && std::strcmp(value, "America/New_York") == 0)
        return "EST5EDT";
    return value;
}

inline int setenv(const char* name, const char* value, int overwrite) {
    if (!overwrite && std::getenv(name))
        return 0;
    return _putenv_s(name, windows_zone(name, value));
}

// An empty value removes the variable on Windows.
inline int unsetenv(const char* name) {
    return _putenv_s(name, "");
}

// Fills in the trailing XXXXXX of `pattern` and makes that folder; nullptr when it cannot.
inline char* mkdtemp(char* pattern) {
    if (_mktemp_s(pattern, std::strlen(pattern) + 1) != 0 || _mkdir(pattern) != 0)
        return nullptr;
    return pattern;
}
