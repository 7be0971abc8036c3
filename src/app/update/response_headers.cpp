#include "app/update/response_headers.h"

#include <limits>

namespace q9xz {

namespace {

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

char lower(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

bool starts_with_ignore_case(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (lower(text[i]) != lower(prefix[i]))
            return false;
    return true;
}

// The decimal number at the start of `text`; nothing when there is no digit or it overflows.
std::optional<std::uint64_t> leading_digits(std::string_view text) {
    if (text.empty() || !is_digit(text.front()))
        return std::nullopt;
    std::uint64_t value = 0;
    for (char c : text) {
        if (!is_digit(c))
            break;
        const auto digit = static_cast<std::uint64_t>(c - '0');
        if (value > (std::numeric_limits<std::uint64_t>::max() - digit) / 10)
            return std::nullopt;
        value = value * 10 + digit;
    }
    return value;
}

std::string_view skip_blanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    return text;
}

} // namespace

std::optional<int> response_status(std::string_view headers) {
    if (!headers.starts_with("HTTP/"))
        return std::nullopt;
    const std::string_view line = headers.substr(0, headers.find_first_of("\r\n"));
    const std::size_t blank = line.find(' ');
    if (blank == std::string_view::npos)
        return std::nullopt;
    const std::string_view code = skip_blanks(line.substr(blank));
    // A status code has exactly three digits.
    if (code.size() < 3 || !is_digit(code[0]) || !is_digit(code[1]) || !is_digit(code[2]) ||
        (code.size() > 3 && is_digit(code[3])))
        return std::nullopt;
    return (code[0] - '0') * 100 + (code[1] - '0') * 10 + (code[2] - '0');
}

std::optional<std::uint64_t> response_content_length(std::string_view headers) {
    constexpr std::string_view name = "content-length:";
    // The first line is the status line; header lines follow it.
    std::size_t end = headers.find('\n');
    while (end != std::string_view::npos) {
        const std::size_t start = end + 1;
        end = headers.find('\n', start);
        const std::string_view line = headers.substr(
            start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (starts_with_ignore_case(line, name))
            return leading_digits(skip_blanks(line.substr(name.size())));
    }
    return std::nullopt;
}

} // namespace q9xz
