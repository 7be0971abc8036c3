#include "common/text.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <string>
#include <string_view>

using namespace std::string_view_literals;

namespace q9xz {
namespace {

TEST(LeadingNumber, ReadsTheLeadingDecimalNumber) {
    struct Case {
        std::string_view text;
        std::int32_t expected;
    };
    const Case cases[] = {
        {"", 0},
        {"abc", 0},
        {"20140105", 20140105},
        {"20m", 20},
        {"  42x", 42},
        {" \t\n\v\f\r7", 7},
        {"+5", 5},
        {"-5", -5},
        {"--5", 0},
        {"+-5", 0},
        {"- 5", 0},
        {"+", 0},
        {"-", 0},
        {"1.25m", 1},
        {"2014-06-01", 2014},
        {"00000000000000000000012", 12},
        {"-0", 0},
        {"12\x80"
         "3",
         12},
        {"\xa0"
         "5",
         0},
        {"7\0 8"sv, 7},
    };
    for (const Case& c : cases)
        EXPECT_EQ(leading_number(c.text), c.expected) << '"' << c.text << '"';
}

TEST(LeadingNumber, SaturatesAtTheThirtyTwoBitLimits) {
    struct Case {
        std::string_view text;
        std::int32_t expected;
    };
    constexpr std::int32_t max = 2147483647;
    constexpr std::int32_t min = -2147483647 - 1;
    const Case cases[] = {
        {"2147483647", max},
        {"2147483648", max},
        {"2147483650", max},
        {"4294967296", max},
        {"4294967297", 2147483647},
        {"99999999999999999999999999999999999999", max},
        {"+99999999999", max},
        {"-2147483647", -2147483647},
        {"-2147483648", min},
        {"-2147483649", min},
        {"-4294967296", min},
        {"-99999999999999999999999999999999999999", min},
        {"21474836470m", max},
        {"00000000002147483647", max},
        {"00000000002147483646", 2147483646},
    };
    for (const Case& c : cases)
        EXPECT_EQ(leading_number(c.text), c.expected) << '"' << c.text << '"';

    // A very long run of digits must not wrap round to a small or negative value.
    EXPECT_EQ(leading_number(std::string(100000, '9')), max);
    EXPECT_EQ(leading_number("-" + std::string(100000, '9')), min);
}

TEST(LeadingNumber, ReadsOnlyTheViewNotBeyondIt) {
    const std::string text = "123456";
    EXPECT_EQ(leading_number(std::string_view(text).substr(0, 3)), 123);
    EXPECT_EQ(leading_number(std::string_view(text).substr(0, 0)), 0);
}

TEST(CaseFolding, OnlyAsciiLettersAreEqualIgnoringCase) {
    struct Case {
        std::string_view a;
        std::string_view b;
        bool equal;
    };
    const Case cases[] = {
        {"", "", true},
        {"abc", "ABC", true},
        {"AdifMaster", "ADIFMASTER", true},
        {"LoTW", "lotw", true},
        {"abc", "abd", false},
        {"abc", "ab", false},
        {"ab", "abc", false},
        {"", "a", false},
        // Characters that differ from a letter by 0x20 only, but are not letters.
        {"[", "{", false},
        {"@", "`", false},
        {"]", "}", false},
        {"^", "~", false},
        {"_", "\x7f", false},
        // Latin-1 letters are bytes over 127: never folded.
        {"\xe9", "\xc9", false},
        {"\xff", "\xdf", false},
        {"\xe9", "\xe9", true},
        {"a\xe9", "A\xe9", true},
        {"ab\0c"sv, "AB\0C"sv, true},
        {"ab\0c"sv, "AB\0D"sv, false},
        {"ab\0c"sv, "ab"sv, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(equals_ignore_case(c.a, c.b), c.equal) << '"' << c.a << "\" vs \"" << c.b << '"';
}

TEST(CaseFolding, UpperCasingChangesOnlyAsciiLowerCaseLetters) {
    std::string all;
    for (int c = 1; c < 256; ++c)
        all.push_back(char(c));
    std::string upper = all;
    upper_case_ascii(upper);
    ASSERT_EQ(upper.size(), all.size());
    for (std::size_t i = 0; i < all.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(all[i]);
        const unsigned char expected = (c >= 'a' && c <= 'z') ? c - 'a' + 'A' : c;
        EXPECT_EQ(static_cast<unsigned char>(upper[i]), expected) << "byte " << int(c);
    }

    std::string with_nul("q9xz\0/kh6"sv);
    upper_case_ascii(with_nul);
    EXPECT_EQ(with_nul, "Q9XZ\0/KH6"sv);
}

TEST(CText, EndsAtTheFirstNulByte) {
    EXPECT_EQ(c_text("Q9XZ/4"), "Q9XZ/4");
    EXPECT_EQ(c_text("Q9XZ/4\0junk"sv), "Q9XZ/4");
    EXPECT_EQ(c_text("\0abc"sv), "");
    EXPECT_EQ(c_text(""), "");
    EXPECT_EQ(c_text(std::string_view{}), ""); // a view without storage
    EXPECT_EQ(c_text("\xe9\xff"), "\xe9\xff");
}

} // namespace
} // namespace q9xz
