// q9xz-fgets-reference: the plainest reading of a log as a program of its own, to be timed
// beside q9xz-convert as a whole process.
//   q9xz-fgets-reference bytes|strchr LOG
// Prints the number of "<" characters.
#include "fgets_reference.h"

#include <cstdio>
#include <string_view>

int main(int argc, char** argv) {
    const std::string_view way = argc == 3 ? argv[1] : "";
    if (way != "bytes" && way != "strchr") {
        std::fprintf(stderr, "Usage: q9xz-fgets-reference bytes|strchr LOG\n");
        return 2;
    }
    const std::int64_t tags = way == "bytes" ? q9xz::bench::count_tags_byte_by_byte(argv[2])
                                             : q9xz::bench::count_tags_with_fgets(argv[2]);
    if (tags < 0) {
        std::fprintf(stderr, "q9xz-fgets-reference: cannot open %s\n", argv[2]);
        return 1;
    }
    std::printf("%lld\n", static_cast<long long>(tags));
    return 0;
}
