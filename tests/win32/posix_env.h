#pragma once
// The tests set the time zone with the POSIX calls; the Windows runtime has _putenv_s instead.
// Included into every test source of the Windows build.
#include <cstdlib>
#include <ctime>

inline int setenv(const char* name, const char* value, int overwrite)
{
    if (!overwrite && std::getenv(name))
        return 0;
    return _putenv_s(name, value);
}

// An empty value removes the variable on Windows.
inline int unsetenv(const char* name) { return _putenv_s(name, ""); }
