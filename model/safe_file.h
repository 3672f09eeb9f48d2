#pragma once

// Replacing a file so that a failure at any moment (full disk, I/O error, a crash, the
// power going) leaves either the complete old file or the complete new one.

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

// Writes the data to a temporary file in the target's folder, flushes it to disk, renames
// it over the target and flushes the folder. The target keeps its permissions; a symbolic
// link is followed and its target replaced. Raises EFCreateError ("Cannot create file %s")
// when the target is a folder or a file the user may not write, or when the temporary file
// cannot be made, and EWriteError when writing, flushing or renaming fails; the temporary
// file is removed and the target is untouched in both cases. The temporary file is
// ".NAME.XXXXXX" beside the target, locked (flock) while it is written. A successful save
// also removes what earlier saves of the same file left when they were cut off: files of
// that pattern owned by the user, unchanged for a minute and not locked.
void WriteFileSafely(const QString& fileName, const QByteArray& data);

// Takes the next piece of a file's bytes; raises EWriteError when it cannot be written.
using TWritePiece = std::function<void(const char* data, std::size_t size)>;
// The same for a file whose bytes are made while it is written: `produce` hands them to
// its argument in pieces of any size. An exception from `produce` removes the temporary
// file as well, and the target stays untouched.
void WriteFileSafely(const QString& fileName,
                     const std::function<void(const TWritePiece& write)>& produce);

// The same, for a file written piece by piece by its caller: the constructor makes the
// temporary file (EFCreateError as above), Commit puts it in place of the target, and a
// writer destroyed without a Commit removes it, leaving the target untouched.
class TSafeFileWriter {
public:
    explicit TSafeFileWriter(const QString& fileName);
    ~TSafeFileWriter();
    TSafeFileWriter(const TSafeFileWriter&) = delete;
    TSafeFileWriter& operator=(const TSafeFileWriter&) = delete;

    // Appends; EWriteError when the bytes cannot be written.
    void Write(const char* data, std::size_t size);
    // Overwrites bytes already written, e.g. a count known only at the end.
    void WriteAt(std::uint64_t offset, const char* data, std::size_t size);
    // Flushes, renames over the target, flushes the folder; EWriteError on failure.
    void Commit();

private:
    struct TState;
    std::unique_ptr<TState> state_;
};

// Tests make writes fail as a full disk would: after `limit` bytes of a save, every further
// write fails with "No space left on device". A negative limit switches this off.
void SetWriteLimitForTesting(qint64 limit);
// Tests shorten the minute after which an unlocked temporary file counts as left behind;
// a negative value restores the minute.
void SetStaleAgeForTesting(int seconds);
