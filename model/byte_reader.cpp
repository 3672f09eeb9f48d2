#include "model/byte_reader.h"

#include <cstring>

#include "model/errors.h"

void TByteReader::Need(std::size_t count) const {
    if (count > Remaining()) {
        FailAt(size_, QStringLiteral("the file ends inside a record"));
    }
}

void TByteReader::Fail(const QString& reason) const {
    FailAt(pos_, reason);
}

void TByteReader::FailAt(std::size_t offset, const QString& reason) const {
    throw EReadError(QStringLiteral("Cannot read file %1: damaged at byte %2 (%3)")
                         .arg(fileName_)
                         .arg(qulonglong(offset))
                         .arg(reason));
}

std::uint8_t TByteReader::ReadByte() {
    Need(1);
    return static_cast<std::uint8_t>(data_[pos_++]);
}

std::uint16_t TByteReader::ReadWord() {
    Need(2);
    const auto* p = reinterpret_cast<const unsigned char*>(data_ + pos_);
    pos_ += 2;
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::int32_t TByteReader::ReadInt() {
    Need(4);
    const auto* p = reinterpret_cast<const unsigned char*>(data_ + pos_);
    pos_ += 4;
    const std::uint32_t v = std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) |
                            (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[3]) << 24);
    return static_cast<std::int32_t>(v);
}

double TByteReader::ReadDouble() {
    Need(8);
    std::uint64_t bits = 0;
    const auto* p = reinterpret_cast<const unsigned char*>(data_ + pos_);
    for (int i = 7; i >= 0; --i) {
        bits = (bits << 8) | p[i];
    }
    pos_ += 8;
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

std::string TByteReader::ReadBytes(std::size_t count) {
    Need(count);
    std::string bytes(data_ + pos_, count);
    pos_ += count;
    return bytes;
}

void TByteReader::Skip(std::size_t count) {
    Need(count);
    pos_ += count;
}
