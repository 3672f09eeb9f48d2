#pragma once

// UTF-8 as RFC 3629 defines it: no overlong forms, no surrogates, nothing beyond U+10FFFF.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// The length of the UTF-8 sequence that starts at `at`, with `left` bytes there (at least
// one): 1 to 4, 0 when it is not valid, -1 when its first byte wants more bytes than are
// left.
int Utf8SequenceLength(const unsigned char* at, std::size_t left);

// Where the first byte is that does not belong to a valid UTF-8 sequence, or npos.
std::size_t FindInvalidUtf8(std::string_view text);

// Whether every byte is below 0x80; 16 bytes at a time where the processor can.
inline bool IsAscii(std::string_view bytes) {
    std::size_t i = 0;
#if defined(__SSE2__)
    for (; i + 16 <= bytes.size(); i += 16) {
        if (_mm_movemask_epi8(
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes.data() + i))) != 0) {
            return false;
        }
    }
#endif
    for (; i + 8 <= bytes.size(); i += 8) {
        std::uint64_t x;
        std::memcpy(&x, bytes.data() + i, 8);
        if ((x & 0x8080808080808080ULL) != 0) {
            return false;
        }
    }
    return std::all_of(bytes.begin() + std::ptrdiff_t(i), bytes.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}
