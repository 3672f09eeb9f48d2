#include "calendar/line_writer.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr std::size_t kMaxLine = 75;

}  // namespace

void AppendFoldedLine(std::string& out, std::string_view line) {
    const std::size_t n = line.size();
    if (n + 2 < kMaxLine) {
        out += line;
        out += "\r\n";
        return;
    }
    // The rule works on the line with its CR LF, bytes n and n + 1.
    const auto at = [&](std::size_t i) { return i < n ? line[i] : (i == n ? '\r' : '\n'); };
    std::size_t start = 0;
    while (start < n + 2) {
        std::size_t next = 0;
        if (n + 2 - start < kMaxLine) {
            next = n + 2;
        } else {
            for (std::size_t p = start + kMaxLine - 2; p > start; --p) {
                const char c = at(p);
                if (c == ';' || c == ':' || c == ' ') {
                    next = p + 1;
                    break;
                }
            }
            for (std::size_t p = start + kMaxLine - 1; next == 0 && p > start; --p) {
                const auto c = static_cast<unsigned char>(at(p));
                if ((c & 0x80) == 0 || (c & 0xC0) == 0xC0) {
                    next = p;
                }
            }
            if (next == 0) {
                next = start + kMaxLine - 1;
            }
            if (next == n + 1) {
                next = n + 2;
            }
        }
        if (start > 0) {
            out += "\r\n ";
        }
        if (start < std::min(next, n)) {
            out.append(line.substr(start, std::min(next, n) - start));
        }
        if (start <= n && n < next) {
            out += '\r';
        }
        if (start <= n + 1 && n + 1 < next) {
            out += '\n';
        }
        start = next;
    }
}

void FoldContentLine(std::string& out, std::size_t start) {
    const std::string line = out.substr(start);
    out.resize(start);
    AppendFoldedLine(out, line);
}

std::size_t PlainTextLength(std::string_view text) {
    // Eight bytes at a time: a byte is flagged when it is below 0x20, at or above 0x7F, or
    // one of the three that need a backslash. The lowest flag marks the first such byte
    // exactly (the borrows of the tests only reach the bytes above it).
    constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
    constexpr std::uint64_t kHighs = 0x8080808080808080ULL;
    const auto zero = [](std::uint64_t x) { return (x - kOnes) & ~x & kHighs; };
    std::size_t i = 0;
#if defined(__SSE2__)
    // Sixteen at a time first, exactly; signed, bytes above ASCII are below 0x20 too.
    for (; i + 16 <= text.size(); i += 16) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i));
        const __m128i odd =
            _mm_or_si128(_mm_or_si128(_mm_cmplt_epi8(x, _mm_set1_epi8(0x20)),
                                      _mm_cmpeq_epi8(x, _mm_set1_epi8(0x7F))),
                         _mm_or_si128(_mm_cmpeq_epi8(x, _mm_set1_epi8('\\')),
                                      _mm_or_si128(_mm_cmpeq_epi8(x, _mm_set1_epi8(';')),
                                                   _mm_cmpeq_epi8(x, _mm_set1_epi8(',')))));
        if (const int mask = _mm_movemask_epi8(odd); mask != 0) {
            return i + std::size_t(std::countr_zero(unsigned(mask)));
        }
    }
#endif
    for (; i + 8 <= text.size(); i += 8) {
        std::uint64_t x;
        std::memcpy(&x, text.data() + i, sizeof x);
        const std::uint64_t flags = (x & kHighs) | ((x - kOnes * 0x20) & ~x & kHighs) |
                                    zero(x ^ (kOnes * 0x7F)) | zero(x ^ (kOnes * '\\')) |
                                    zero(x ^ (kOnes * ';')) | zero(x ^ (kOnes * ','));
        if (flags != 0) {
            return i + std::size_t(std::countr_zero(flags)) / 8;
        }
    }
    static constexpr auto kPlain = [] {
        std::array<bool, 256> plain{};
        for (std::size_t c = 0x20; c < 0x7F; ++c) {
            plain[c] = c != '\\' && c != ';' && c != ',';
        }
        return plain;
    }();
    while (i < text.size() && kPlain[static_cast<unsigned char>(text[i])]) {
        ++i;
    }
    return i;
}

void AppendEscapedText(std::string& out, std::string_view text) {
    static constexpr auto kEscaped = [] {
        std::array<bool, 256> escaped{};
        escaped['\\'] = escaped[';'] = escaped[','] = escaped['\n'] = true;
        return escaped;
    }();
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (kEscaped[static_cast<unsigned char>(c)]) {
            out.append(text.substr(start, i - start));
            out += '\\';
            out += c == '\n' ? 'n' : c;
            start = i + 1;
        }
    }
    out.append(text.substr(start));
}
