#include "calendar/line_reader.h"

#include <cstring>
#include <istream>

#include "calendar/calendar_error.h"
#include "calendar/utf8_text.h"

namespace {

constexpr std::size_t kChunk = 64 * 1024;

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

void TLineReader::Check(int number) const {
    if (text_.size() > MaxContentLineLength) {
        throw ECalendarError(number, QStringLiteral("the line is longer than %1 bytes, more "
                                                    "than iCalendar text holds")
                                         .arg(MaxContentLineLength));
    }
    if (std::memchr(text_.data(), 0, text_.size())) {
        throw ECalendarError(number, QStringLiteral("a zero byte, which text cannot hold"));
    }
    const std::size_t bad = FindInvalidUtf8(text_);
    if (bad != std::string::npos) {
        throw ECalendarError(number, QStringLiteral("byte %1 (0x%2) is not UTF-8 text; "
                                                    "iCalendar files are UTF-8")
                                         .arg(bad + 1)
                                         .arg(unsigned(static_cast<unsigned char>(text_[bad])), 2,
                                              16, QLatin1Char('0')));
    }
}

bool TLineReader::Next(TContentLine& line) {
    for (;;) {
        text_.clear();
        raw_.clear();
        lineStart_ = physicalLine_;
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
        Check(lineStart_);
        ParseContentLine(text_, lineStart_, line);
        return true;
    }
}
