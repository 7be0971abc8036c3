// The reader's block scans, as built here (vectors on x86-64) and in their portable form (the
// 32-bit Windows build), against a byte-by-byte reading of the same block.

#include "adif/adif_record.h"
#include "adif/tag_scan.h"
#include "common/text.h"

#include <algorithm>
#include <array>
#include <gtest/gtest.h>
#include <random>
#include <string>

namespace q9xz {
namespace {

using Block = std::array<char, tag_scan::BLOCK + 1>;

struct Expected {
    std::size_t size;
    std::string upper; // the whole block afterwards
    std::uint64_t key;
    bool colon;
};

Expected model(const Block& block) {
    std::size_t size = 0;
    while (size < tag_scan::BLOCK && block[size] != ':' && block[size] != '>' &&
           block[size] != '\0')
        ++size;
    std::string upper(block.begin(), block.end());
    for (std::size_t i = 0; i < size; ++i)
        upper[i] = ascii_upper(upper[i]);
    return {size, upper, name_key(std::string_view(upper).substr(0, size)), upper[size] == ':'};
}

TEST(TagScan, BlocksOfEveryKindReadAsByteByByte) {
    // Stops, letters of both cases around the range a-z, and bytes above 127.
    const std::string alphabet = std::string(":>\0aAzZ`{@[_09 \x80\xe9\xff<", 19);
    std::mt19937 random(20);
    for (int round = 0; round < 20000; ++round) {
        Block block;
        // Names of every length up to past the block: stops grow rarer round by round.
        const std::size_t stop_chance = 1 + round % 40;
        for (char& c : block)
            c = random() % stop_chance == 0 ? alphabet[random() % 3]
                                            : alphabet[3 + random() % (alphabet.size() - 3)];
        const Expected expected = model(block);
        SCOPED_TRACE(std::string(block.begin(), block.end()));

        EXPECT_EQ(tag_scan::name_stop(block.data()), expected.size);
        EXPECT_EQ(tag_scan::portable::name_stop(block.data()), expected.size);

        for (auto scan : {tag_scan::scan_and_upper_case, tag_scan::portable::scan_and_upper_case}) {
            Block copy = block;
            const tag_scan::ScannedName name = scan(copy.data());
            EXPECT_EQ(name.size, expected.size);
            EXPECT_EQ(name.key, expected.key);
            EXPECT_EQ(name.colon, expected.colon);
            EXPECT_EQ(std::string(copy.begin(), copy.end()), expected.upper);
        }
        for (auto scan : {tag_scan::scan_name, tag_scan::portable::scan_name}) {
            const tag_scan::ScannedName name = scan(block.data());
            EXPECT_EQ(name.size, expected.size);
            EXPECT_EQ(name.colon, expected.colon);
            const std::string_view as_is(block.data(), std::min(expected.size, block.size()));
            EXPECT_EQ(name.lower, std::any_of(as_is.begin(), as_is.end(), [](char c) {
                          return c >= 'a' && static_cast<unsigned char>(c) <= 0x7F;
                      }));
            if (!name.lower) {
                EXPECT_EQ(name.key, expected.key);
            }
        }
        for (auto upper : {tag_scan::upper_case, tag_scan::portable::upper_case}) {
            Block copy = block;
            upper(copy.data(), expected.size);
            EXPECT_EQ(std::string(copy.begin(), copy.end()), expected.upper);
        }
    }
}

} // namespace
} // namespace q9xz
