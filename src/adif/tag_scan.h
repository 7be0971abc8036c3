#pragma once

// The byte scans of the reader's inner loop, sixteen bytes at a time. Each works on a block of
// 16 bytes that may run past the text it looks at: the caller keeps such a block readable (the
// line reader's and the record's padding) and ignores what lies beyond its text.
//
// On x86-64 (which always has SSE2) a block is one vector; elsewhere the same results come from
// two 64-bit words, testing each byte of a word at once, or from a plain loop.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__x86_64__) || defined(_M_X64)
#include <emmintrin.h>
#define Q9XZ_TAG_SCAN_SSE2 1
#endif

namespace q9xz::tag_scan {

constexpr std::size_t BLOCK = 16;

// A tag name at the start of a block: its size (16 when the block holds no stop), the key of
// its first eight bytes, upper-cased (as name_key() of the upper-cased name), whether a ":"
// ends it, and (for a scan that does not write) whether it may hold lower-case letters, in
// which case the key is that of the name as it is.
struct ScannedName {
    std::size_t size;
    std::uint64_t key;
    bool colon;
    bool lower = false;
};

// Row n: n bytes of 0xFF, then zeros.
alignas(16) inline constexpr unsigned char FIRST_BYTES[BLOCK + 1][BLOCK] = {
    {},
    {0xFF},
    {0xFF, 0xFF},
    {0xFF, 0xFF, 0xFF},
    {0xFF, 0xFF, 0xFF, 0xFF},
    {0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
    {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
    {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
    {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
    {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
    {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
    {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
    {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
    {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
    {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
    {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
    {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
     0xFF},
};

namespace portable {

constexpr std::uint64_t ONES = 0x0101010101010101u;
constexpr std::uint64_t HIGHS = 0x8080808080808080u;

// The high bit of each byte that is zero. Above the lowest such byte there may be false marks,
// so only the lowest mark is trusted.
constexpr std::uint64_t zero_bytes(std::uint64_t v) {
    return (v - ONES) & ~v & HIGHS;
}

inline std::size_t name_stop(const char* p) {
    if constexpr (std::endian::native == std::endian::little) {
        for (std::size_t half = 0; half < BLOCK; half += 8) {
            std::uint64_t word;
            std::memcpy(&word, p + half, 8);
            const std::uint64_t stops = zero_bytes(word) | zero_bytes(word ^ (ONES * ':')) |
                                        zero_bytes(word ^ (ONES * '>'));
            if (stops != 0)
                return half + static_cast<std::size_t>(std::countr_zero(stops) / 8);
        }
        return BLOCK;
    }
    std::size_t i = 0;
    while (i < BLOCK && p[i] != ':' && p[i] != '>' && p[i] != '\0')
        ++i;
    return i;
}

inline void upper_case(char* p, std::size_t size) {
    for (std::size_t i = 0; i < size && i < BLOCK; ++i)
        if (p[i] >= 'a' && p[i] <= 'z')
            p[i] = static_cast<char>(p[i] - 'a' + 'A');
}

inline ScannedName scan_name(const char* p) {
    const std::size_t size = name_stop(p);
    bool lower = false;
    std::uint64_t key = 0;
    for (std::size_t i = 0; i < size && i < BLOCK; ++i) {
        lower = lower || (p[i] >= 'a' && static_cast<unsigned char>(p[i]) <= 0x7F);
        if (i < 8)
            key |= std::uint64_t{static_cast<unsigned char>(p[i])} << (8 * i);
    }
    return {size, key, p[size] == ':', lower};
}

inline ScannedName scan_and_upper_case(char* p) {
    const std::size_t size = name_stop(p);
    upper_case(p, size);
    std::uint64_t key = 0;
    for (std::size_t i = 0; i < size && i < 8; ++i)
        key |= std::uint64_t{static_cast<unsigned char>(p[i])} << (8 * i);
    return {size, key, p[size] == ':'};
}

} // namespace portable

// The offset of the first ':', '>' or NUL in the 16 bytes at `p`, or 16 when there is none.
inline std::size_t name_stop(const char* p) {
#ifdef Q9XZ_TAG_SCAN_SSE2
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i stops = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(block, _mm_set1_epi8(':')),
                                                    _mm_cmpeq_epi8(block, _mm_set1_epi8('>'))),
                                       _mm_cmpeq_epi8(block, _mm_setzero_si128()));
    const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(stops)) | (1u << BLOCK);
    return static_cast<std::size_t>(std::countr_zero(mask));
#else
    return portable::name_stop(p);
#endif
}

// Upper-cases a-z among the first `size` (at most 16) of the 16 bytes at `p`, all of which may
// be written; the other bytes keep their values.
inline void upper_case(char* p, std::size_t size) {
#ifdef Q9XZ_TAG_SCAN_SSE2
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    // Signed compares: bytes of 0x80 and above are negative and never count as letters.
    const __m128i letters = _mm_and_si128(_mm_cmpgt_epi8(block, _mm_set1_epi8('a' - 1)),
                                          _mm_cmplt_epi8(block, _mm_set1_epi8('z' + 1)));
    // Most logs write their names in capitals: then nothing is written.
    const unsigned in_name = (1u << size) - 1u;
    if ((static_cast<unsigned>(_mm_movemask_epi8(letters)) & in_name) == 0)
        return;
    const __m128i name_bytes =
        _mm_cmplt_epi8(_mm_setr_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15),
                       _mm_set1_epi8(static_cast<char>(size)));
    const __m128i flip = _mm_and_si128(_mm_and_si128(letters, name_bytes), _mm_set1_epi8(0x20));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), _mm_xor_si128(block, flip));
#else
    portable::upper_case(p, size);
#endif
}

#ifdef Q9XZ_TAG_SCAN_SSE2
// The 16 bytes at `p`, the size of the name they begin with (16 when they hold no stop) and a
// mask of the name's bytes: what both name scans below start from.
struct NameBlock {
    __m128i block;
    std::size_t size;
    __m128i in_name;
};

inline NameBlock load_name(const char* p) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    // ':' (0x3A) and '>' (0x3E) differ only in the bit 0x04: one compare finds both.
    const __m128i stops =
        _mm_or_si128(_mm_cmpeq_epi8(_mm_or_si128(block, _mm_set1_epi8(0x04)), _mm_set1_epi8('>')),
                     _mm_cmpeq_epi8(block, _mm_setzero_si128()));
    const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(stops)) | (1u << BLOCK);
    const std::size_t size = static_cast<std::size_t>(std::countr_zero(mask));
    return {block, size, _mm_load_si128(reinterpret_cast<const __m128i*>(FIRST_BYTES[size]))};
}
#endif

// Finds the end of the name at `p` (as name_stop()) and tells whether it may hold lower-case
// letters, writing nothing: `lower` is set for any byte from 'a' to 0x7F, a-z and the few
// signs after them, which names hardly ever hold. The byte after the block may be read.
inline ScannedName scan_name(const char* p) {
#ifdef Q9XZ_TAG_SCAN_SSE2
    const auto [block, size, in_name] = load_name(p);
    // One signed compare: 'a' to 0x7F (bytes of 0x80 and above are negative).
    const __m128i high = _mm_cmpgt_epi8(block, _mm_set1_epi8('a' - 1));
    const bool lower = _mm_movemask_epi8(_mm_and_si128(high, in_name)) != 0;
    const std::uint64_t key =
        static_cast<std::uint64_t>(_mm_cvtsi128_si64(_mm_and_si128(block, in_name)));
    return {size, key, p[size] == ':', lower};
#else
    return portable::scan_name(p);
#endif
}

// Finds the end of the name at `p` (as name_stop()), upper-cases it in place within the block
// and returns its size and key; all 16 bytes at `p` may be written back, and the byte after
// them read.
inline ScannedName scan_and_upper_case(char* p) {
#ifdef Q9XZ_TAG_SCAN_SSE2
    const auto [block, size, in_name] = load_name(p);
    // Signed compares: bytes of 0x80 and above are negative and never count as letters.
    const __m128i letters = _mm_and_si128(_mm_cmpgt_epi8(block, _mm_set1_epi8('a' - 1)),
                                          _mm_cmpgt_epi8(_mm_set1_epi8('z' + 1), block));
    const __m128i flip = _mm_and_si128(letters, in_name);
    __m128i upper = block;
    // Only a name with a lower-case letter is written back: a store that the next tag's load
    // overlaps holds that load up, and most logs write their names in capitals.
    if (_mm_movemask_epi8(flip) != 0) {
        upper = _mm_xor_si128(block, _mm_and_si128(flip, _mm_set1_epi8(0x20)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p), upper);
    }
    const std::uint64_t key =
        static_cast<std::uint64_t>(_mm_cvtsi128_si64(_mm_and_si128(upper, in_name)));
    // A name of exactly 16 bytes has its stop just after the block.
    return {size, key, p[size] == ':'};
#else
    return portable::scan_and_upper_case(p);
#endif
}

} // namespace q9xz::tag_scan
