#include "common/native_path.h"

#include <string_view>

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

} // namespace

std::filesystem::path path_of(const std::string& name) {
    if (valid_UTF8(name))
        return std::filesystem::path(std::u8string(name.begin(), name.end()));
    return std::filesystem::path(name);
}

std::string text_of(const std::filesystem::path& path, const std::string& name) {
    if (valid_UTF8(name)) {
        const std::u8string text = path.u8string();
        return std::string(text.begin(), text.end());
    }
    return path.string();
}

} // namespace q9xz
