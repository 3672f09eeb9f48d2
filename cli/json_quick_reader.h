#pragma once

// A quick reader of JSON for the usual case: a well-formed document in UTF-8 without a
// byte order mark, nested at most 64 levels, no token longer than 4 MiB. It gives the
// same events, with the same values, as nlohmann's SAX parser, several times as fast. At
// the first byte it does not take (an error, or a rarity such as a byte order mark) it
// stops and says so: the caller then reads the input again with nlohmann's parser, whose
// messages name what is wrong and where. Unlike nlohmann's, a key given to the handler must
// be left as it is: the reader gives the same one again for the next object of that layout.

#include <array>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "calendar/line_reader.h"  // TReadBytes
#include "calendar/utf8_text.h"

template <typename TSax>
class TQuickJsonReader {
public:
    TQuickJsonReader(TReadBytes read, TSax& sax, int maxDepth, std::size_t maxToken)
        : read_(std::move(read)), sax_(sax), maxDepth_(maxDepth), maxToken_(maxToken) {}

    // True when the whole input was read; false when it stopped early, with the events up
    // to there given. Exceptions of the SAX handler pass through.
    bool Run() {
        Fill();
        if (end_ - pos_ >= 3 && std::memcmp(&buffer_[pos_], "\xEF\xBB\xBF", 3) == 0) {
            return false;
        }
        if (!Value()) {
            return false;
        }
        while (stack_.size() > 0) {
            if (!Continue()) {
                return false;
            }
        }
        return SkipBlanks() == kEnd;
    }

private:
    enum State : std::uint8_t { kObjectStart, kObjectValue, kArrayStart, kArrayValue };
    struct TFrame {
        State state;
        std::uint32_t members;  // of an object, the keys read so far
    };
    // What came between a value and the next in an object: the blanks, the comma and the
    // key with its colon, and that key unescaped.
    static constexpr std::size_t kMaxGap = 64;
    struct TGap {
        std::array<char, kMaxGap> bytes;
        std::size_t size = 0;  // none remembered yet
        std::string key;
    };
    static constexpr std::uint32_t kMaxGaps = 64;

    static constexpr int kEnd = -1;
    static constexpr std::size_t kFirstBlock = 4096;
    static constexpr std::size_t kBlock = 256 * 1024;

    // The next byte that is not a blank, read as far as needed; kEnd at the input's end.
    int SkipBlanks() {
        for (;;) {
#if defined(__SSE2__)
            // Every blank is at most a space: most values are followed by a byte above it.
            if (pos_<end_&& static_cast<unsigned char>(buffer_[pos_])> ' ') {
                return static_cast<unsigned char>(buffer_[pos_]);
            }
            while (end_ - pos_ >= 16) {
                const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(&buffer_[pos_]));
                const __m128i blank =
                    _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8(' ')),
                                              _mm_cmpeq_epi8(v, _mm_set1_epi8('\n'))),
                                 _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('\r')),
                                              _mm_cmpeq_epi8(v, _mm_set1_epi8('\t'))));
                const unsigned others = ~unsigned(_mm_movemask_epi8(blank)) & 0xFFFFu;
                if (others != 0) {
                    pos_ += unsigned(__builtin_ctz(others));
                    return static_cast<unsigned char>(buffer_[pos_]);
                }
                pos_ += 16;
            }
#endif
            while (pos_ < end_) {
                const char c = buffer_[pos_];
                if (c != ' ' && c != '\n' && c != '\r' && c != '\t') {
                    return static_cast<unsigned char>(c);
                }
                ++pos_;
            }
            if (!More(pos_)) {
                return kEnd;
            }
        }
    }

    // Reads more input, keeping the bytes from `keep` on, which may move; false at the end
    // or when keeping them would pass the longest token.
    bool More(std::size_t& keep) {
        if (atEnd_) {
            return false;
        }
        // `keep` may be pos_ itself.
        if (const std::size_t from = keep; from > 0) {
            std::memmove(buffer_.data(), buffer_.data() + from, end_ - from);
            pos_ -= from;
            end_ -= from;
            keep = 0;
            ++moves_;
        }
        // The buffer starts small, as most documents are, and doubles while reads fill it,
        // up to kBlock; beyond that only for a token that does not fit.
        if (end_ == buffer_.size() || (readFilled_ && buffer_.size() < kBlock)) {
            if (end_ > maxToken_ + 16) {
                return false;
            }
            buffer_.resize(buffer_.size() * 2);
        }
        const std::size_t room = buffer_.size() - end_;
        const std::size_t n = read_(buffer_.data() + end_, room);
        readFilled_ = n == room;
        atEnd_ = n == 0;
        end_ += n;
        return n > 0;
    }

    void Fill() {
        std::size_t keep = 0;
        buffer_.resize(kFirstBlock);
        More(keep);
    }

    // One value, its first events given; arrays and objects go on in Continue().
    bool Value() {
        const int c = SkipBlanks();
        switch (c) {
            case '{':
                ++pos_;
                if (int(stack_.size()) == maxDepth_) {
                    return false;
                }
                stack_.push_back({kObjectStart, 0});
                sax_.start_object(std::size_t(-1));
                return true;
            case '[':
                ++pos_;
                if (int(stack_.size()) == maxDepth_) {
                    return false;
                }
                stack_.push_back({kArrayStart, 0});
                sax_.start_array(std::size_t(-1));
                return true;
            case '"':
                if (!String(text_)) {
                    return false;
                }
                sax_.string(text_);
                return true;
            case 't':
                return Literal("true") && (sax_.boolean(true), true);
            case 'f':
                return Literal("false") && (sax_.boolean(false), true);
            case 'n':
                return Literal("null") && (sax_.null(), true);
            default:
                return (c == '-' || (c >= '0' && c <= '9')) && Number();
        }
    }

    // Goes on in the innermost open array or object: what comes after its start or after
    // one of its values.
    bool Continue() {
        TFrame& frame = stack_.back();
        if (frame.state == kObjectStart || frame.state == kObjectValue) {
            return Member(frame);
        }
        const int c = SkipBlanks();
        if (c == ']') {
            ++pos_;
            stack_.pop_back();
            sax_.end_array();
            return true;
        }
        if (frame.state == kArrayValue) {
            if (c != ',') {
                return false;
            }
            ++pos_;
        }
        frame.state = kArrayValue;
        return Value();
    }

    // Whether the bytes at pos_ start with the gap's, of which there are enough.
    bool SameAsGap(const TGap& gap) const {
#if defined(__SSE2__)
        // Compared 16 at a time where the buffer's memory allows, beyond what was read.
        if (buffer_.size() - pos_ >= kMaxGap) {
            for (std::size_t i = 0; i < gap.size; i += 16) {
                const __m128i a =
                    _mm_loadu_si128(reinterpret_cast<const __m128i*>(&buffer_[pos_ + i]));
                const __m128i b =
                    _mm_loadu_si128(reinterpret_cast<const __m128i*>(gap.bytes.data() + i));
                unsigned differ = ~unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(a, b))) & 0xFFFFu;
                if (gap.size - i < 16) {
                    differ &= (1u << (gap.size - i)) - 1;
                }
                if (differ != 0) {
                    return false;
                }
            }
            return true;
        }
#endif
        return std::memcmp(&buffer_[pos_], gap.bytes.data(), gap.size) == 0;
    }

    // The end of an object or its next key and value. The bytes from the end of one value
    // to the start of the next are mostly those at the same place in the object before at
    // this depth (a list of items, all with the same keys in the same layout): when they
    // are, they are taken in one compare instead of token by token.
    bool Member(TFrame& frame) {
        const std::size_t depth = stack_.size() - 1;
        if (depth < gaps_.size() && frame.members < gaps_[depth].size()) {
            TGap& gap = gaps_[depth][frame.members];
            if (gap.size > 0 && end_ - pos_ >= gap.size && SameAsGap(gap)) {
                pos_ += gap.size;
                frame.state = kObjectValue;
                ++frame.members;
                sax_.key(gap.key);
                return Value();
            }
        }
        const std::size_t from = pos_;
        const std::uint64_t moves = moves_;
        const int c = SkipBlanks();
        if (c == '}') {
            ++pos_;
            stack_.pop_back();
            sax_.end_object();
            return true;
        }
        if (frame.state == kObjectValue) {
            if (c != ',') {
                return false;
            }
            ++pos_;
            if (SkipBlanks() != '"') {
                return false;
            }
        } else if (c != '"') {
            return false;
        }
        if (!String(key_)) {
            return false;
        }
        if (SkipBlanks() != ':') {
            return false;
        }
        ++pos_;
        SkipBlanks();
        if (moves == moves_ && pos_ - from <= kMaxGap && frame.members < kMaxGaps) {
            if (gaps_.size() <= depth) {
                gaps_.resize(depth + 1);
            }
            if (gaps_[depth].size() <= frame.members) {
                gaps_[depth].resize(frame.members + 1);
            }
            TGap& gap = gaps_[depth][frame.members];
            gap.size = pos_ - from;
            std::memcpy(gap.bytes.data(), &buffer_[from], gap.size);
            gap.key = key_;
        }
        frame.state = kObjectValue;
        ++frame.members;
        sax_.key(key_);
        return Value();
    }

    template <std::size_t N>
    bool Literal(const char (&word)[N]) {
        constexpr std::size_t n = N - 1;
        std::size_t start = pos_;
        while (end_ - start < n + 1 && More(start)) {
        }
        if (end_ - start < n || std::memcmp(&buffer_[start], word, n) != 0) {
            return false;
        }
        pos_ = start + n;
        // nlohmann reads a literal to its end: "truex" is an error there too.
        return pos_ == end_ || !IsWordByte(buffer_[pos_]);
    }

    static bool IsWordByte(char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    }

    // A number: an integer that fits 64 bits as one (signed when negative), any other as
    // the nearest double, as nlohmann reads them.
    bool Number() {
        std::size_t start = pos_;
        std::size_t i;
        bool integer;
        // Scanned again after each read: More may have moved the bytes.
        for (;;) {
            i = start;
            integer = Scan(i);
            if (i < end_ || atEnd_) {
                break;
            }
            if (!More(start) && !atEnd_) {
                return false;  // longer than a token may be
            }
        }
        if (i == start || i == size_t(-1)) {
            return false;
        }
        const char* first = &buffer_[start];
        const char* last = buffer_.data() + i;
        pos_ = i;
        if (integer) {
            if (*first == '-') {
                std::int64_t value;
                if (std::from_chars(first, last, value).ec == std::errc()) {
                    sax_.number_integer(value);
                    return true;
                }
            } else {
                std::uint64_t value;
                if (std::from_chars(first, last, value).ec == std::errc()) {
                    sax_.number_unsigned(value);
                    return true;
                }
            }
        }
        double value;
        if (!ExactDouble(first, last, value)) {
            const auto result = std::from_chars(first, last, value);
            if (result.ec != std::errc() || result.ptr != last) {
                return false;
            }
        }
        number_.assign(first, last);
        sax_.number_float(value, number_);
        return true;
    }

    // The double nearest to a well-formed JSON number whose digits make an integer of at
    // most 53 bits and whose power of ten is at most 22: both are exact doubles, so one
    // multiplication or division, rounded as IEEE 754 rounds, gives it. False for others.
    static bool ExactDouble(const char* at, const char* last, double& value) {
        static constexpr double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                             1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                             1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
        const bool negative = *at == '-';
        at += negative ? 1 : 0;
        std::uint64_t digits = 0;
        int count = 0;
        int power = 0;
        bool fraction = false;
        for (; at < last && *at != 'e' && *at != 'E'; ++at) {
            if (*at == '.') {
                fraction = true;
                continue;
            }
            if (++count > 19) {
                return false;
            }
            digits = digits * 10 + std::uint64_t(*at - '0');
            power -= fraction ? 1 : 0;
        }
        if (at < last) {
            int exponent = 0;
            if (std::from_chars(at + (at[1] == '+' ? 2 : 1), last, exponent).ec != std::errc() ||
                exponent < -400 || exponent > 400) {
                return false;
            }
            power += exponent;
        }
        if (digits > (std::uint64_t(1) << 53) || power < -22 || power > 22) {
            return false;
        }
        value = power < 0 ? double(digits) / kPowers[-power] : double(digits) * kPowers[power];
        value = negative ? -value : value;
        return true;
    }

    // Moves i over the JSON number at i; size_t(-1) when it is malformed or the buffer
    // ends within it. True for an integer (no fraction, no exponent).
    bool Scan(std::size_t& i) const {
        const auto digit = [this](std::size_t at) {
            return at < end_ && buffer_[at] >= '0' && buffer_[at] <= '9';
        };
        const auto fail = [&i] {
            i = std::size_t(-1);
            return false;
        };
        if (i < end_ && buffer_[i] == '-') {
            ++i;
        }
        if (!digit(i)) {
            return fail();
        }
        if (buffer_[i] == '0') {
            ++i;
        } else {
            while (digit(i)) {
                ++i;
            }
        }
        bool integer = true;
        if (i < end_ && buffer_[i] == '.') {
            integer = false;
            ++i;
            if (!digit(i)) {
                return fail();
            }
            while (digit(i)) {
                ++i;
            }
        }
        if (i < end_ && (buffer_[i] == 'e' || buffer_[i] == 'E')) {
            integer = false;
            ++i;
            if (i < end_ && (buffer_[i] == '+' || buffer_[i] == '-')) {
                ++i;
            }
            if (!digit(i)) {
                return fail();
            }
            while (digit(i)) {
                ++i;
            }
        }
        // A number directly followed by a letter or a digit is an error there as well.
        if (i < end_ && (IsWordByte(buffer_[i]) || buffer_[i] == '.' || buffer_[i] == '+' ||
                         buffer_[i] == '-')) {
            return fail();
        }
        return integer;
    }

    // A string at pos_ (its opening quote), unescaped into `into`.
    bool String(std::string& into) {
        std::size_t start = pos_;
        for (;;) {
            const int got = ScanString(start, into);
            if (got > 0) {
                return true;
            }
            if (got < 0 || !More(start)) {
                return false;
            }
        }
    }

    // 1 for a whole string, -1 for one nlohmann refuses, 0 when the buffer ends within it.
    int ScanString(std::size_t start, std::string& into) {
        into.clear();
        std::size_t i = start + 1;
        std::size_t run = i;
        while (i < end_) {
            // Many plain bytes at a time: none a quote, a backslash, a control character
            // or above ASCII.
#if defined(__SSE2__)
            while (end_ - i >= 16) {
                const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(&buffer_[i]));
                // Signed, bytes above ASCII are below 0x20 too.
                const __m128i odd =
                    _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('"')),
                                              _mm_cmpeq_epi8(v, _mm_set1_epi8('\\'))),
                                 _mm_cmplt_epi8(v, _mm_set1_epi8(0x20)));
                if (const unsigned mask = unsigned(_mm_movemask_epi8(odd)); mask != 0) {
                    i += unsigned(__builtin_ctz(mask));
                    break;
                }
                i += 16;
            }
#else
            while (end_ - i >= 8) {
                std::uint64_t x;
                std::memcpy(&x, &buffer_[i], 8);
                constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
                constexpr std::uint64_t kHighs = 0x8080808080808080ULL;
                const auto zero = [](std::uint64_t v) { return (v - kOnes) & ~v & kHighs; };
                const std::uint64_t odd = zero(x ^ (kOnes * '"')) | zero(x ^ (kOnes * '\\')) |
                                          ((x - kOnes * 0x20) & ~x & kHighs) | (x & kHighs);
                if (odd != 0) {
                    break;
                }
                i += 8;
            }
#endif
            if (i >= end_) {
                break;
            }
            const auto c = static_cast<unsigned char>(buffer_[i]);
            if (c == '"') {
                into.append(&buffer_[run], i - run);
                pos_ = i + 1;
                return 1;
            }
            if (c >= 0x20 && c < 0x80 && c != '\\') {
                ++i;
                continue;
            }
            if (c < 0x20) {
                return -1;
            }
            if (c >= 0x80) {
                const int n = Utf8SequenceLength(
                    reinterpret_cast<const unsigned char*>(&buffer_[i]), end_ - i);
                if (n <= 0) {
                    return n == 0 ? -1 : 0;  // ill-formed, or cut off by the buffer's end
                }
                i += std::size_t(n);
                continue;
            }
            into.append(&buffer_[run], i - run);
            const int n = Escape(i, into);
            if (n <= 0) {
                return n;
            }
            i += std::size_t(n);
            run = i;
        }
        return 0;
    }

    // The escape at i appended to `into` as UTF-8: its length, -1 when it is malformed, 0
    // when the buffer ends within it.
    int Escape(std::size_t i, std::string& into) const {
        if (end_ - i < 2) {
            return 0;
        }
        switch (buffer_[i + 1]) {
            case '"':
                into += '"';
                return 2;
            case '\\':
                into += '\\';
                return 2;
            case '/':
                into += '/';
                return 2;
            case 'b':
                into += '\b';
                return 2;
            case 'f':
                into += '\f';
                return 2;
            case 'n':
                into += '\n';
                return 2;
            case 'r':
                into += '\r';
                return 2;
            case 't':
                into += '\t';
                return 2;
            case 'u':
                break;
            default:
                return -1;
        }
        int length = 6;
        const int first = Hex4(i + 2);
        if (first < 0) {
            return first == -2 ? 0 : -1;
        }
        std::uint32_t code = std::uint32_t(first);
        if (code >= 0xDC00 && code <= 0xDFFF) {
            return -1;
        }
        if (code >= 0xD800 && code <= 0xDBFF) {
            if (end_ - i < 12) {
                return 0;
            }
            if (buffer_[i + 6] != '\\' || buffer_[i + 7] != 'u') {
                return -1;
            }
            const int second = Hex4(i + 8);
            if (second < 0xDC00 || second > 0xDFFF) {
                return -1;
            }
            code = 0x10000 + ((code - 0xD800) << 10) + (std::uint32_t(second) - 0xDC00);
            length = 12;
        }
        if (code < 0x80) {
            into += char(code);
        } else if (code < 0x800) {
            into += char(0xC0 | (code >> 6));
            into += char(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            into += char(0xE0 | (code >> 12));
            into += char(0x80 | ((code >> 6) & 0x3F));
            into += char(0x80 | (code & 0x3F));
        } else {
            into += char(0xF0 | (code >> 18));
            into += char(0x80 | ((code >> 12) & 0x3F));
            into += char(0x80 | ((code >> 6) & 0x3F));
            into += char(0x80 | (code & 0x3F));
        }
        return length;
    }

    // The four hex digits at i as a number; -1 when they are not, -2 when the buffer ends.
    int Hex4(std::size_t i) const {
        if (end_ - i < 4) {
            return -2;
        }
        int value = 0;
        for (std::size_t k = 0; k < 4; ++k) {
            const char c = buffer_[i + k];
            int digit;
            if (c >= '0' && c <= '9') {
                digit = c - '0';
            } else if (c >= 'a' && c <= 'f') {
                digit = c - 'a' + 10;
            } else if (c >= 'A' && c <= 'F') {
                digit = c - 'A' + 10;
            } else {
                return -1;
            }
            value = value * 16 + digit;
        }
        return value;
    }

    TReadBytes read_;
    TSax& sax_;
    const int maxDepth_;
    const std::size_t maxToken_;
    std::vector<char> buffer_;
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
    bool atEnd_ = false;
    bool readFilled_ = false;
    std::vector<TFrame> stack_;
    std::vector<std::vector<TGap>> gaps_;  // per depth, per key's place in the object
    std::uint64_t moves_ = 0;              // how often More moved the bytes
    std::string text_;
    std::string key_;
    std::string number_;
};
