#pragma once

// Whole files as bytes, for tests that compare what is on disk before and after.

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace q9xz::test {

inline std::string read_file(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

inline void write_file(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

} // namespace q9xz::test
