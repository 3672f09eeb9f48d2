#pragma once

// Bounds-checked little-endian reading of a file held in memory, whole or a window of it at
// a time. Every read checks the bytes that are left; running out raises EReadError naming
// the file and the offset, or, in a window that is not the file's last, TNeedMore: the
// caller moves the window on and reads the record again.

#include <QByteArray>
#include <QString>
#include <QtEndian>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

class TByteReader {
public:
    // Raised by a read beyond a window that is not the end of the file.
    struct TNeedMore {};

    TByteReader(const QByteArray& data, QString fileName)
        : data_(data.constData()),
          size_(std::size_t(data.size())),
          total_(size_),
          fileName_(std::move(fileName)) {}
    // A file of `total` bytes, read through windows given to SetWindow.
    TByteReader(std::uint64_t total, QString fileName)
        : total_(total), fileName_(std::move(fileName)) {}

    // The window of the file's bytes from offset `base` on; the reads start at its start.
    void SetWindow(const char* data, std::size_t size, std::uint64_t base) {
        data_ = data;
        size_ = size;
        base_ = base;
        pos_ = 0;
    }
    // The file turned out shorter than it was said to be.
    void SetTotal(std::uint64_t total) { total_ = total; }

    // The offset in the file, and in the window.
    std::size_t Position() const { return std::size_t(base_) + pos_; }
    std::size_t WindowPosition() const { return pos_; }
    // The bytes left in the file, beyond the window too.
    std::size_t Remaining() const { return std::size_t(total_ - base_) - pos_; }
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
        if (count > size_ - pos_) {
            FailEnd();
        }
    }
    [[noreturn]] void FailEnd() const;

    const char* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t pos_ = 0;
    std::uint64_t base_ = 0;
    std::uint64_t total_;
    QString fileName_;
};
