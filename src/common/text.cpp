#include "common/text.h"

#include <cstring>

namespace q9xz {

std::int32_t leading_number(std::string_view text) {
    auto digit = [&](std::size_t at) {
        return static_cast<unsigned>(static_cast<unsigned char>(text[at])) - unsigned{'0'};
    };
    // The usual text: up to nine plain digits, which cannot overflow, and nothing or a non-digit
    // after them.
    constexpr std::size_t SHORT_NUMBER = 9;
    std::size_t i = 0;
    std::int32_t plain = 0;
    for (; i < text.size() && i < SHORT_NUMBER && digit(i) < 10; ++i)
        plain = plain * 10 + static_cast<std::int32_t>(digit(i));
    if (i > 0 && (i == text.size() || digit(i) >= 10))
        return plain;

    i = 0;
    auto is_space = [](char c) {
        return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
    };
    while (i < text.size() && is_space(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // Accumulate as a negative number so that -2147483648 is reachable without overflow.
    constexpr std::int64_t lowest = -2147483648LL;
    std::int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 - (text[i] - '0');
        if (value < lowest)
            value = lowest - 1; // saturated; keeps the loop cheap for long digit runs
    }
    if (negative)
        return value < lowest ? std::int32_t(lowest) : std::int32_t(value);
    return value < -2147483647LL ? 2147483647 : std::int32_t(-value);
}

void upper_case_ascii(std::string& text) {
    for (char& c : text)
        c = ascii_upper(c);
}

bool equals_ignore_case(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (ascii_lower(a[i]) != ascii_lower(b[i]))
            return false;
    }
    return true;
}

std::string_view c_text(std::string_view text) {
    // An empty view may have no storage at all, which memchr must not be given.
    if (text.empty())
        return text;
    const void* nul = std::memchr(text.data(), '\0', text.size());
    if (nul == nullptr)
        return text;
    return text.substr(0, static_cast<const char*>(nul) - text.data());
}

} // namespace q9xz
