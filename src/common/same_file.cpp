#include "common/same_file.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string_view>
#include <system_error>
#include <vector>

namespace q9xz {
namespace {

bool valid_UTF8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = 1;
        char32_t code = lead;
        if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            code = lead & 0x07u;
        } else if (lead >= 0xE0) {
            length = lead <= 0xEF ? 3 : 0;
            code = lead & 0x0Fu;
        } else if (lead >= 0xC2) {
            length = 2;
            code = lead & 0x1Fu;
        } else if (lead >= 0x80) {
            return false;
        }
        if (length == 0 || i + length > text.size())
            return false;
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0u) != 0x80u)
                return false;
            code = (code << 6) | (next & 0x3Fu);
        }
        // No over-long forms, no surrogates, nothing past U+10FFFF.
        if ((length == 3 && code < 0x800) || (length == 4 && code < 0x10000) ||
            (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF)
            return false;
        i += length;
    }
    return true;
}

std::filesystem::path path_of(const std::string& name) {
    if (valid_UTF8(name))
        return std::filesystem::path(std::u8string(name.begin(), name.end()));
    return std::filesystem::path(name);
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

bool same_bytes(const std::string& first, const std::string& second) {
    const File a{std::fopen(first.c_str(), "rb")};
    const File b{std::fopen(second.c_str(), "rb")};
    if (!a || !b)
        return false;
    std::vector<char> block_a(1 << 16);
    std::vector<char> block_b(1 << 16);
    for (;;) {
        const std::size_t got_a = std::fread(block_a.data(), 1, block_a.size(), a.get());
        const std::size_t got_b = std::fread(block_b.data(), 1, block_b.size(), b.get());
        if (got_a != got_b ||
            std::string_view(block_a.data(), got_a) != std::string_view(block_b.data(), got_b))
            return false;
        if (got_a < block_a.size())
            return std::ferror(a.get()) == 0 && std::ferror(b.get()) == 0;
    }
}

} // namespace

bool same_file(const std::string& first, const std::string& second) {
    std::error_code error;
    if (std::filesystem::equivalent(path_of(first), path_of(second), error))
        return true;
    // Both found and told apart; or a name the file system library could not find, which the
    // C library may still open.
    return error && same_bytes(first, second);
}

} // namespace q9xz
