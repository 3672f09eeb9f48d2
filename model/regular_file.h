#pragma once

// Opening a file to read: only a regular file, read no further than the size it had when
// it was opened. A FIFO, a device or a socket given as a list would otherwise block the
// open or the read forever (a FIFO without a writer, /dev/zero without an end).

#include <QString>
#include <cstddef>
#include <cstdint>

class TRegularFile {
public:
    // Raises EFOpenError: "Cannot open file %s" (also for a folder), or "Cannot open file
    // %s: not a regular file" for a FIFO, a device or a socket (symbolic links followed).
    explicit TRegularFile(const QString& fileName);
    ~TRegularFile();
    TRegularFile(const TRegularFile&) = delete;
    TRegularFile& operator=(const TRegularFile&) = delete;

    // The size when the file was opened: the most that Read gives in all.
    std::uint64_t Size() const { return size_; }
    // Up to `size` bytes; 0 at the end, which comes early when the file shrank. Raises
    // EReadError "Cannot read file %s: REASON".
    std::size_t Read(char* into, std::size_t size);

private:
    QString fileName_;
    int fd_ = -1;
    std::uint64_t size_ = 0;
    std::uint64_t read_ = 0;
};
