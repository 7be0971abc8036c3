#include "common/file_replacement.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <random>

namespace q9xz {

namespace {

// The longest name a folder takes on the usual file systems, and the longest path Windows takes.
constexpr std::size_t MAX_NAME_BYTES = 255;
constexpr std::size_t MAX_WINDOWS_PATH = 259;

std::string random_letters() {
    static std::mt19937_64 generator = [] {
        std::random_device device;
        const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
        std::seed_seq seed{device(), device(), static_cast<unsigned>(now),
                           static_cast<unsigned>(static_cast<std::uint64_t>(now) >> 32)};
        return std::mt19937_64(seed);
    }();
    constexpr std::string_view DIGITS = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::string letters;
    std::uint64_t bits = generator();
    for (int i = 0; i < 5; ++i, bits /= DIGITS.size())
        letters += DIGITS[bits % DIGITS.size()];
    return letters;
}

} // namespace

std::string temporary_name_for(const std::string& target) {
    const bool windows = std::filesystem::path::preferred_separator == '\\';
    const std::size_t slash = target.find_last_of(windows ? "\\/" : "/");
    const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
    const std::string base = target.substr(folder.size());
    const std::string letters = random_letters();
    std::string name = "." + base + ".q9xz-" + letters;
    if (name.size() > MAX_NAME_BYTES || (windows && folder.size() + name.size() > MAX_WINDOWS_PATH))
        name = "~q9" + letters;
    return folder + name;
}

} // namespace q9xz
