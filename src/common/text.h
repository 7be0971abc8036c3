#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace q9xz {

// The leading decimal number of a text: white space skipped, one optional sign, digits up to the
// first non-digit, 0 when there are none. Log files are untrusted, so the result saturates at the
// 32-bit limits instead of overflowing.
std::int32_t leading_number(std::string_view text);

constexpr char ascii_upper(char c) {
    return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
}
constexpr char ascii_lower(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

// Folds only a-z; bytes over 127 are left alone.
void upper_case_ascii(std::string& text);

// Case-insensitive comparison of whole texts, folding only the ASCII letters.
bool equals_ignore_case(std::string_view a, std::string_view b);

// A field value read as the log's writer meant it: a C text, which ends at its first NUL byte.
std::string_view c_text(std::string_view text);

} // namespace q9xz
