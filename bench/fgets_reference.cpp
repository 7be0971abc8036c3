#include "fgets_reference.h"

#include <cstdio>
#include <cstring>

namespace q9xz::bench {

std::int64_t count_tags_with_fgets(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "r");
    if (file == nullptr)
        return -1;
    char line[2048];
    std::int64_t count = 0;
    while (std::fgets(line, sizeof line, file) != nullptr)
        for (const char* p = std::strchr(line, '<'); p != nullptr; p = std::strchr(p + 1, '<'))
            ++count;
    std::fclose(file);
    return count;
}

std::int64_t count_tags_byte_by_byte(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "r");
    if (file == nullptr)
        return -1;
    char line[2048];
    std::int64_t count = 0;
    while (std::fgets(line, sizeof line, file) != nullptr)
        for (const char* p = line; *p; ++p)
            if (*p == '<')
                ++count;
    std::fclose(file);
    return count;
}

} // namespace q9xz::bench
