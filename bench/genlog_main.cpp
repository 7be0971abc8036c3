// q9xz-genlog: writes a large, reproducible station log for the benchmark.
//   q9xz-genlog [--seed=S] [--records=N] [OUTPUT]
// Without OUTPUT the log goes to the standard output.
#include "genlog.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace {

bool read_number(std::string_view arg, std::string_view prefix, std::uint64_t& value) {
    if (arg.substr(0, prefix.size()) != prefix)
        return false;
    std::string digits(arg.substr(prefix.size()));
    char* end = nullptr;
    value = std::strtoull(digits.c_str(), &end, 10);
    return !digits.empty() && *end == '\0';
}

} // namespace

int main(int argc, char** argv) {
    q9xz::bench::LogShape shape;
    const char* output = nullptr;
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (read_number(arg, "--seed=", shape.seed) ||
            read_number(arg, "--records=", shape.records))
            continue;
        if (arg.substr(0, 2) == "--" || output != nullptr) {
            std::fprintf(stderr, "usage: q9xz-genlog [--seed=S] [--records=N] [OUTPUT]\n");
            return 2;
        }
        output = argv[i];
    }
    std::FILE* out = output != nullptr ? std::fopen(output, "wb") : stdout;
    if (out == nullptr) {
        std::fprintf(stderr, "q9xz-genlog: cannot write %s: %s\n", output, std::strerror(errno));
        return 1;
    }
    bool written = q9xz::bench::write_log(shape, out);
    if (output != nullptr && std::fclose(out) != 0)
        written = false;
    if (!written) {
        std::fprintf(stderr, "q9xz-genlog: writing the log failed\n");
        return 1;
    }
    return 0;
}
