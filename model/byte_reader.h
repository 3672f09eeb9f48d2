#pragma once

// Bounds-checked little-endian reading of a file already held in memory. Every read checks
// the bytes that are left; running out raises EReadError naming the file and the offset.

#include <QByteArray>
#include <QString>
#include <QtEndian>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

class TByteReader {
public:
    TByteReader(const QByteArray& data, QString fileName)
        : data_(data.constData()),
          size_(std::size_t(data.size())),
          fileName_(std::move(fileName)) {}

    std::size_t Position() const { return pos_; }
    std::size_t Remaining() const { return size_ - pos_; }
    const QString& FileName() const { return fileName_; }

    // Inline: a list of many items makes millions of these calls.
    std::uint8_t ReadByte() {
        Need(1);
        return static_cast<std::uint8_t>(data_[pos_++]);
    }
    std::uint16_t ReadWord() { return Read<std::uint16_t>(); }
    std::int32_t ReadInt() { return Read<std::int32_t>(); }
    double ReadDouble() {
        const std::uint64_t bits = Read<std::uint64_t>();
        double value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    std::string ReadBytes(std::size_t count) {
        Need(count);
        std::string bytes(data_ + pos_, count);
        pos_ += count;
        return bytes;
    }
    // The bytes without a copy; valid as long as the data given to the reader.
    std::string_view ReadView(std::size_t count) {
        Need(count);
        const std::string_view bytes(data_ + pos_, count);
        pos_ += count;
        return bytes;
    }
    void Skip(std::size_t count) {
        Need(count);
        pos_ += count;
    }

    // Raises EReadError: "Cannot read file %s: damaged at byte N (reason)".
    [[noreturn]] void Fail(const QString& reason) const;
    [[noreturn]] void FailAt(std::size_t offset, const QString& reason) const;

private:
    // A little-endian value of the type's width.
    template <typename T>
    T Read() {
        Need(sizeof(T));
        T value;
        std::memcpy(&value, data_ + pos_, sizeof value);
        pos_ += sizeof value;
        return qFromLittleEndian(value);
    }
    void Need(std::size_t count) const {
        if (count > Remaining()) {
            FailEnd();
        }
    }
    [[noreturn]] void FailEnd() const;

    const char* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
    QString fileName_;
};
