#include "log_cache.h"

#include <cstdio>
#include <filesystem>
#include <system_error>
#include <vector>

namespace q9xz::bench {

std::optional<std::string> cached_log(const std::string& folder, const LogShape& shape) {
    namespace fs = std::filesystem;
    std::error_code error;
    fs::create_directories(folder, error);
    fs::path path = fs::path(folder) / ("log-s" + std::to_string(shape.seed) + "-n" +
                                        std::to_string(shape.records) + ".adi");
    if (fs::is_regular_file(path, error))
        return path.string();

    fs::path part = path;
    part += ".part";
    std::FILE* out = std::fopen(part.c_str(), "wb");
    if (out == nullptr)
        return std::nullopt;
    bool written = write_log(shape, out);
    if (std::fclose(out) != 0 || !written) {
        fs::remove(part, error);
        return std::nullopt;
    }
    fs::rename(part, path, error);
    if (error)
        return std::nullopt;
    return path.string();
}

std::int64_t warm_file(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr)
        return -1;
    std::vector<char> block(1u << 20);
    std::int64_t size = 0;
    for (std::size_t got; (got = std::fread(block.data(), 1, block.size(), file)) > 0;)
        size += static_cast<std::int64_t>(got);
    std::fclose(file);
    return size;
}

} // namespace q9xz::bench
