#include "calendar/utf8_text.h"

#include <cstdint>
#include <cstring>

int Utf8SequenceLength(const unsigned char* at, std::size_t left) {
    const unsigned char c = at[0];
    std::size_t length;
    unsigned char low = 0x80, high = 0xBF;  // the bounds of the second byte
    if (c < 0x80) {
        return 1;
    } else if (c >= 0xC2 && c <= 0xDF) {
        length = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        length = 3;
        low = c == 0xE0 ? 0xA0 : 0x80;
        high = c == 0xED ? 0x9F : 0xBF;
    } else if (c >= 0xF0 && c <= 0xF4) {
        length = 4;
        low = c == 0xF0 ? 0x90 : 0x80;
        high = c == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (left < length) {
        return -1;
    }
    if (at[1] < low || at[1] > high) {
        return 0;
    }
    for (std::size_t i = 2; i < length; ++i) {
        if (at[i] < 0x80 || at[i] > 0xBF) {
            return 0;
        }
    }
    return int(length);
}

std::size_t FindInvalidUtf8(std::string_view text) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t size = text.size();
    std::size_t i = 0;
    while (i < size) {
        // Eight ASCII bytes at a time.
        if (i + 8 <= size) {
            std::uint64_t word;
            std::memcpy(&word, bytes + i, sizeof word);
            if ((word & 0x8080808080808080ULL) == 0) {
                i += 8;
                continue;
            }
        }
        const int length = Utf8SequenceLength(bytes + i, size - i);
        if (length <= 0) {
            return i;
        }
        i += std::size_t(length);
    }
    return std::string_view::npos;
}
