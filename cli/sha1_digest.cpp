#include "cli/sha1_digest.h"

#include <QCryptographicHash>
#include <cstdint>
#include <cstring>
#include <utility>

#if defined(__x86_64__)
#include <cpuid.h>
#include <immintrin.h>
#endif

namespace {

#if defined(__x86_64__)

bool HasShaInstructions() {
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (!__get_cpuid(1, &a, &b, &c, &d)) {
        return false;
    }
    const bool ssse3AndSse41 = (c & bit_SSSE3) && (c & bit_SSE4_1);
    if (!ssse3AndSse41 || !__get_cpuid_count(7, 0, &a, &b, &c, &d)) {
        return false;
    }
    return (b & bit_SHA) != 0;
}

#define PELLMARK_SHA_TARGET __attribute__((target("sha,sse4.1,ssse3")))

// Four of the eighty rounds, number G of twenty, on the message words in m[G % 4] once the
// first sixteen are loaded: the schedule of the next words is worked out alongside (past
// the last rounds it computes words nobody reads).
template <int G>
PELLMARK_SHA_TARGET inline void Rounds(__m128i& abcd, __m128i& e0, __m128i& e1, __m128i* m) {
    constexpr int k = G % 4;
    __m128i& e = G % 2 == 0 ? e0 : e1;
    __m128i& other = G % 2 == 0 ? e1 : e0;
    e = G == 0 ? _mm_add_epi32(e, m[k]) : _mm_sha1nexte_epu32(e, m[k]);
    other = abcd;
    m[(k + 1) % 4] = _mm_sha1msg2_epu32(m[(k + 1) % 4], m[k]);
    abcd = _mm_sha1rnds4_epu32(abcd, e, G / 5);
    m[(k + 3) % 4] = _mm_sha1msg1_epu32(m[(k + 3) % 4], m[k]);
    m[(k + 2) % 4] = _mm_xor_si128(m[(k + 2) % 4], m[k]);
}

// Loads the block's words for the first sixteen rounds, big-endian, the first word in the
// highest lane.
template <int G>
PELLMARK_SHA_TARGET inline void Step(__m128i& abcd, __m128i& e0, __m128i& e1, __m128i* m,
                                     const unsigned char* block) {
    if constexpr (G < 4) {
        const __m128i order = _mm_set_epi64x(0x0001020304050607LL, 0x08090a0b0c0d0e0fLL);
        m[G] = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(block + 16 * G)),
                                order);
    }
    Rounds<G>(abcd, e0, e1, m);
}

template <int... G>
PELLMARK_SHA_TARGET inline void AllRounds(__m128i& abcd, __m128i& e0, __m128i& e1, __m128i* m,
                                          const unsigned char* block,
                                          std::integer_sequence<int, G...>) {
    (Step<G>(abcd, e0, e1, m, block), ...);
}

PELLMARK_SHA_TARGET void ShaBlocks(std::uint32_t state[5], const unsigned char* data,
                                   std::size_t blocks) {
    __m128i abcd =
        _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(state)), 0x1B);
    __m128i e0 = _mm_set_epi32(int(state[4]), 0, 0, 0);
    for (; blocks > 0; --blocks, data += 64) {
        const __m128i abcdBefore = abcd;
        const __m128i eBefore = e0;
        __m128i e1 = _mm_setzero_si128();
        __m128i m[4] = {};
        AllRounds(abcd, e0, e1, m, data, std::make_integer_sequence<int, 20>());
        // After round 80 the last E is in e0's place.
        e0 = _mm_sha1nexte_epu32(e0, eBefore);
        abcd = _mm_add_epi32(abcd, abcdBefore);
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(state), _mm_shuffle_epi32(abcd, 0x1B));
    state[4] = std::uint32_t(_mm_extract_epi32(e0, 3));
}

TSha1Digest ShaDigest(std::string_view bytes) {
    std::uint32_t state[5] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0};
    const std::size_t whole = bytes.size() / 64;
    ShaBlocks(state, reinterpret_cast<const unsigned char*>(bytes.data()), whole);
    // The rest, the 0x80 byte, zeros and the length in bits: one block or two.
    unsigned char tail[128] = {};
    const std::size_t rest = bytes.size() - whole * 64;
    std::memcpy(tail, bytes.data() + whole * 64, rest);
    tail[rest] = 0x80;
    const std::size_t size = rest + 9 <= 64 ? 64 : 128;
    const std::uint64_t bits = std::uint64_t(bytes.size()) * 8;
    for (int i = 0; i < 8; ++i) {
        tail[size - 1 - std::size_t(i)] = static_cast<unsigned char>(bits >> (8 * i));
    }
    ShaBlocks(state, tail, size / 64);
    TSha1Digest digest;
    for (int i = 0; i < 5; ++i) {
        for (int b = 0; b < 4; ++b) {
            digest[std::size_t(4 * i + b)] = static_cast<unsigned char>(state[i] >> (24 - 8 * b));
        }
    }
    return digest;
}

#endif

}  // namespace

TSha1Digest Sha1Digest(std::string_view bytes) {
#if defined(__x86_64__)
    static const bool instructions = HasShaInstructions();
    if (instructions) {
        return ShaDigest(bytes);
    }
#endif
    const QByteArray hash = QCryptographicHash::hash(
        QByteArrayView(bytes.data(), qsizetype(bytes.size())), QCryptographicHash::Sha1);
    TSha1Digest digest;
    std::memcpy(digest.data(), hash.constData(), digest.size());
    return digest;
}
