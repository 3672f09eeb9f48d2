#include "calendar/line_reader.h"

#include <bit>
#include <cstdint>
#include <cstring>
#include <istream>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "calendar/calendar_error.h"
#include "calendar/utf8_text.h"

namespace {

constexpr std::size_t kChunk = 64 * 1024;

// Where the first LF is among `size` bytes (`size` when there is none), and whether the
// bytes before it are all ASCII without a zero byte; many bytes at a time.
std::size_t FindLineEnd(const char* text, std::size_t size, bool& plain) {
    constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
    constexpr std::uint64_t kHighs = 0x8080808080808080ULL;
    const auto zero = [](std::uint64_t x) { return (x - kOnes) & ~x & kHighs; };
    std::size_t i = 0;
#if defined(__SSE2__)
    // Sixteen at a time first, then eight, then one.
    for (; i + 16 <= size; i += 16) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i));
        const unsigned lf = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(x, _mm_set1_epi8('\n'))));
        // Signed, a byte above ASCII is below 1 as a zero byte is.
        const unsigned odd = unsigned(_mm_movemask_epi8(_mm_cmplt_epi8(x, _mm_set1_epi8(1))));
        if ((lf | odd) == 0) {
            continue;
        }
        if (lf != 0) {
            const int bits = std::countr_zero(lf);
            if (odd & ((1u << bits) - 1)) {
                plain = false;
            }
            return i + std::size_t(bits);
        }
        plain = false;
        const auto* found = static_cast<const char*>(std::memchr(text + i, '\n', size - i));
        return found ? std::size_t(found - text) : size;
    }
#endif
    for (; i + 8 <= size; i += 8) {
        std::uint64_t x;
        std::memcpy(&x, text + i, sizeof x);
        const std::uint64_t lf = zero(x ^ (kOnes * '\n'));
        const std::uint64_t odd = (x & kHighs) | zero(x);
        if ((lf | odd) == 0) {
            continue;
        }
        if (lf != 0) {
            // The lowest flag of each test is exact; flags below the LF are real ones.
            const int bits = std::countr_zero(lf);
            if (odd & ((std::uint64_t(1) << bits) - 1)) {
                plain = false;
            }
            return i + std::size_t(bits / 8);
        }
        plain = false;
        const auto* found = static_cast<const char*>(std::memchr(text + i, '\n', size - i));
        return found ? std::size_t(found - text) : size;
    }
    for (; i < size; ++i) {
        if (text[i] == '\n') {
            return i;
        }
        if (static_cast<signed char>(text[i]) <= 0) {
            plain = false;
        }
    }
    return size;
}

}  // namespace

TReadBytes ReadFromStream(std::istream& in) {
    return [&in](char* into, std::size_t size) -> std::size_t {
        in.read(into, std::streamsize(size));
        return std::size_t(in.gcount());
    };
}

TReadBytes ReadFromMemory(std::string_view bytes) {
    return [bytes, at = std::size_t(0)](char* into, std::size_t size) mutable {
        const std::size_t n = std::min(size, bytes.size() - at);
        std::memcpy(into, bytes.data() + at, n);
        at += n;
        return n;
    };
}

TLineReader::TLineReader(TReadBytes read, bool keepRaw)
    : read_(std::move(read)), keepRaw_(keepRaw), buffer_(kChunk) {}

bool TLineReader::Fill() {
    if (atEnd_) {
        return false;
    }
    pos_ = 0;
    end_ = read_(buffer_.data(), buffer_.size());
    if (end_ == 0) {
        atEnd_ = true;
        return false;
    }
    if (!started_) {
        started_ = true;
        if (end_ >= 3 && std::memcmp(buffer_.data(), "\xEF\xBB\xBF", 3) == 0) {
            pos_ = 3;
        }
    }
    return true;
}

int TLineReader::Peek() {
    if (pos_ >= end_ && !Fill()) {
        return -1;
    }
    return static_cast<unsigned char>(buffer_[pos_]);
}

bool TLineReader::ReadInputLine() {
    if (pos_ >= end_ && !Fill()) {
        return false;
    }
    const std::size_t before = text_.size();
    for (;;) {
        const char* start = buffer_.data() + pos_;
        const auto* lf = static_cast<const char*>(std::memchr(start, '\n', end_ - pos_));
        const std::size_t length = lf ? std::size_t(lf - start) : end_ - pos_;
        if (text_.size() + length > MaxContentLineLength + 1) {
            throw ECalendarError(lineStart_,
                                 QStringLiteral("the line is longer than %1 bytes, more than "
                                                "iCalendar text holds")
                                     .arg(MaxContentLineLength));
        }
        text_.append(start, length);
        if (keepRaw_) {
            raw_.append(start, length + (lf ? 1 : 0));
        }
        pos_ += length + (lf ? 1 : 0);
        if (lf) {
            ++physicalLine_;
            break;
        }
        if (!Fill()) {
            break;  // the last line has no line end
        }
    }
    if (text_.size() > before && text_.back() == '\r') {
        text_.pop_back();
    }
    return true;
}

void TLineReader::Check(std::string_view text, int number, bool plain) const {
    if (text.size() > MaxContentLineLength) {
        throw ECalendarError(number, QStringLiteral("the line is longer than %1 bytes, more "
                                                    "than iCalendar text holds")
                                         .arg(MaxContentLineLength));
    }
    if (plain) {
        return;
    }
    if (std::memchr(text.data(), 0, text.size())) {
        throw ECalendarError(number, QStringLiteral("a zero byte, which text cannot hold"));
    }
    const std::size_t bad = FindInvalidUtf8(text);
    if (bad != std::string::npos) {
        throw ECalendarError(number, QStringLiteral("byte %1 (0x%2) is not UTF-8 text; "
                                                    "iCalendar files are UTF-8")
                                         .arg(bad + 1)
                                         .arg(unsigned(static_cast<unsigned char>(text[bad])), 2,
                                              16, QLatin1Char('0')));
    }
}

bool TLineReader::Next(TContentLine& line) {
    for (;;) {
        raw_.clear();
        lineStart_ = physicalLine_;
        // Most lines lie within the buffer, with the byte after them there too: they are
        // parsed where they are.
        if (pos_ < end_) {
            char* const start = buffer_.data() + pos_;
            const std::size_t left = end_ - pos_;
            bool plain = true;
            const std::size_t lf = FindLineEnd(start, left, plain);
            if (lf + 1 < left && start[lf + 1] != ' ' && start[lf + 1] != '\t') {
                const std::size_t length = lf > 0 && start[lf - 1] == '\r' ? lf - 1 : lf;
                if (keepRaw_) {
                    raw_.assign(start, lf + 1);
                }
                pos_ += lf + 1;
                ++physicalLine_;
                if (length == 0) {
                    continue;
                }
                current_ = std::string_view(start, length);
                Check(current_, lineStart_, plain);
                ParseContentLine(start, length, lineStart_, line);
                return true;
            }
        }
        text_.clear();
        if (!ReadInputLine()) {
            return false;
        }
        for (int next = Peek(); next == ' ' || next == '\t'; next = Peek()) {
            ++pos_;
            if (keepRaw_) {
                raw_ += char(next);
            }
            ReadInputLine();
        }
        if (text_.empty()) {
            continue;
        }
        current_ = text_;
        Check(current_, lineStart_, false);
        ParseContentLine(text_, lineStart_, line);
        return true;
    }
}
