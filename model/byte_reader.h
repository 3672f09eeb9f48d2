#pragma once

// Bounds-checked little-endian reading of a file already held in memory. Every read checks
// the bytes that are left; running out raises EReadError naming the file and the offset.

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <string>

class TByteReader {
public:
    TByteReader(const QByteArray& data, QString fileName)
        : data_(data.constData()),
          size_(std::size_t(data.size())),
          fileName_(std::move(fileName)) {}

    std::size_t Position() const { return pos_; }
    std::size_t Remaining() const { return size_ - pos_; }
    const QString& FileName() const { return fileName_; }

    std::uint8_t ReadByte();
    std::uint16_t ReadWord();
    std::int32_t ReadInt();
    double ReadDouble();
    std::string ReadBytes(std::size_t count);
    void Skip(std::size_t count);

    // Raises EReadError: "Cannot read file %s: damaged at byte N (reason)".
    [[noreturn]] void Fail(const QString& reason) const;
    [[noreturn]] void FailAt(std::size_t offset, const QString& reason) const;

private:
    void Need(std::size_t count) const;

    const char* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
    QString fileName_;
};
