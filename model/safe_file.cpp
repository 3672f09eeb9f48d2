#include "model/safe_file.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include "model/errors.h"

#ifndef Q_OS_WIN
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#endif

namespace {

qint64 g_writeLimit = -1;

// A temporary file left untouched this long by a save that holds no lock on it is dead.
constexpr int kStaleSeconds = 60;
int g_staleSeconds = kStaleSeconds;

EWriteError WriteError(const QString& fileName, const QString& reason) {
    return EWriteError(QStringLiteral("Cannot write file %1: %2").arg(fileName, reason));
}

// The file that really gets replaced: the end of a chain of symbolic links.
QString ResolveTarget(const QString& fileName) {
    QFileInfo info(fileName);
    int hops = 0;
    while (info.isSymLink() && hops++ < 40) {
        info = QFileInfo(info.symLinkTarget());
    }
    return info.absoluteFilePath();
}

}  // namespace

void SetWriteLimitForTesting(qint64 limit) {
    g_writeLimit = limit;
}

void SetStaleAgeForTesting(int seconds) {
    g_staleSeconds = seconds < 0 ? kStaleSeconds : seconds;
}

#ifdef Q_OS_WIN

struct TSafeFileWriter::TState {
    explicit TState(const QString& target) : File(target) {}
    QSaveFile File;
    QString FileName;
    qint64 Written = 0;
};

TSafeFileWriter::TSafeFileWriter(const QString& fileName)
    : state_(std::make_unique<TState>(ResolveTarget(fileName))) {
    state_->FileName = fileName;
    if (!state_->File.open(QIODevice::WriteOnly)) {
        throw EFCreateError::ForFile(fileName);
    }
}

// Without a commit the QSaveFile's destructor throws the temporary file away.
TSafeFileWriter::~TSafeFileWriter() = default;

void TSafeFileWriter::Write(const char* data, std::size_t size) {
    TState& s = *state_;
    if (g_writeLimit >= 0 && s.Written + qint64(size) > g_writeLimit) {
        throw WriteError(s.FileName, QStringLiteral("No space left on device"));
    }
    if (s.File.write(data, qint64(size)) != qint64(size)) {
        throw WriteError(s.FileName, s.File.errorString());
    }
    s.Written += qint64(size);
}

void TSafeFileWriter::WriteAt(std::uint64_t offset, const char* data, std::size_t size) {
    TState& s = *state_;
    const qint64 end = s.File.pos();
    if (!s.File.seek(qint64(offset)) || s.File.write(data, qint64(size)) != qint64(size) ||
        !s.File.seek(end)) {
        throw WriteError(s.FileName, s.File.errorString());
    }
}

void TSafeFileWriter::Commit() {
    if (!state_->File.commit()) {
        throw WriteError(state_->FileName, state_->File.errorString());
    }
}

#else

namespace {

QString ErrnoText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

class TempFile {
public:
    ~TempFile() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        if (!path_.isEmpty()) {
            ::unlink(path_.constData());
        }
    }
    bool Create(const QByteArray& pattern) {
        path_ = pattern;
        fd_ = ::mkstemp(path_.data());
        if (fd_ < 0) {
            path_.clear();
            return false;
        }
        // Held until the file is closed, so that no other save takes it for a leftover.
        // Where the file system has no such locks, leftovers are simply never removed.
        ::flock(fd_, LOCK_EX | LOCK_NB);
        return true;
    }
    int Fd() const { return fd_; }
    const QByteArray& Path() const { return path_; }
    int Close() {
        const int result = ::close(fd_);
        fd_ = -1;
        return result;
    }
    void Keep() { path_.clear(); }

private:
    int fd_ = -1;
    QByteArray path_;
};

// Writes all of the piece; `total` counts the bytes of the whole file so far.
int WriteAll(int fd, const char* data, qint64 size, qint64& total) {
    qint64 written = 0;
    while (written < size) {
        qint64 chunk = size - written;
        if (g_writeLimit >= 0) {
            if (total >= g_writeLimit) {
                return ENOSPC;
            }
            chunk = std::min(chunk, g_writeLimit - total);
        }
        const ssize_t n = ::write(fd, data + written, size_t(chunk));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        written += n;
        total += n;
    }
    return 0;
}

// mkstemp's six characters.
bool IsTemporarySuffix(const char* suffix) {
    for (int i = 0; i < 6; ++i) {
        const char c = suffix[i];
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) {
            return false;
        }
    }
    return suffix[6] == '\0';
}

// A save that is cut off (the process killed, the power gone) leaves its temporary file
// ".NAME.XXXXXX" beside the list. After a successful save of the same file the certainly
// dead ones go: the exact name pattern, a plain file of this user with a single link, not
// changed for a minute, and not locked, since every save locks its temporary file for as
// long as it has it open. Anything else, including another program's file of that name,
// stays; failures are ignored, as the save itself has succeeded.
void RemoveStaleTemporaries(const QByteArray& folder, const QByteArray& prefix) {
    DIR* dir = ::opendir(folder.constData());
    if (!dir) {
        return;
    }
    const int dirFd = ::dirfd(dir);
    const uid_t user = ::geteuid();
    const std::time_t now = std::time(nullptr);
    while (const dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        if (std::strncmp(name, prefix.constData(), std::size_t(prefix.size())) != 0 ||
            std::strlen(name) != std::size_t(prefix.size()) + 6 ||
            !IsTemporarySuffix(name + prefix.size())) {
            continue;
        }
        struct stat info {};
        if (::fstatat(dirFd, name, &info, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(info.st_mode) ||
            info.st_uid != user || info.st_nlink != 1 ||
            now - std::max(info.st_mtime, info.st_ctime) < g_staleSeconds) {
            continue;
        }
        const int fd = ::openat(dirFd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            continue;
        }
        struct stat opened {};
        struct stat again {};
        if (::fstat(fd, &opened) == 0 && opened.st_dev == info.st_dev &&
            opened.st_ino == info.st_ino && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
            ::fstatat(dirFd, name, &again, AT_SYMLINK_NOFOLLOW) == 0 &&
            again.st_dev == info.st_dev && again.st_ino == info.st_ino) {
            ::unlinkat(dirFd, name, 0);
        }
        ::close(fd);
    }
    ::closedir(dir);
}

}  // namespace

struct TSafeFileWriter::TState {
    QString FileName;
    QString Folder;
    QString Target;
    QByteArray TargetPath;
    TempFile Temp;
    qint64 Written = 0;
};

TSafeFileWriter::TSafeFileWriter(const QString& fileName) : state_(std::make_unique<TState>()) {
    TState& s = *state_;
    s.FileName = fileName;
    s.Target = ResolveTarget(fileName);
    s.Folder = QFileInfo(s.Target).absolutePath();
    s.TargetPath = QFile::encodeName(s.Target);
    const QByteArray pattern =
        QFile::encodeName(s.Folder + QLatin1Char('/') + QLatin1Char('.') +
                          QFileInfo(s.Target).fileName() + QStringLiteral(".XXXXXX"));

    struct stat existing {};
    const bool exists = ::stat(s.TargetPath.constData(), &existing) == 0;
    if (exists && S_ISDIR(existing.st_mode)) {
        throw EFCreateError::ForFile(fileName);
    }
    // A file the user may not write stays as it is, just as opening it for writing would
    // fail, although the folder would allow replacing it.
    if (exists && ::faccessat(AT_FDCWD, s.TargetPath.constData(), W_OK, AT_EACCESS) != 0) {
        throw EFCreateError::ForFile(fileName);
    }

    if (!s.Temp.Create(pattern)) {
        throw EFCreateError::ForFile(fileName);
    }
    // A new file gets the usual permissions; a replaced one keeps its own.
    mode_t mode;
    if (exists) {
        mode = existing.st_mode & 07777;
        if (::fchown(s.Temp.Fd(), existing.st_uid, existing.st_gid) != 0) {
            // Only the owner's group may be set; the mode below still applies.
        }
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    if (::fchmod(s.Temp.Fd(), mode) != 0) {
        throw WriteError(fileName, ErrnoText(errno));
    }
}

// The temporary file goes unless Commit renamed it.
TSafeFileWriter::~TSafeFileWriter() = default;

void TSafeFileWriter::Write(const char* data, std::size_t size) {
    TState& s = *state_;
    if (const int error = WriteAll(s.Temp.Fd(), data, qint64(size), s.Written)) {
        throw WriteError(s.FileName, ErrnoText(error));
    }
}

void TSafeFileWriter::WriteAt(std::uint64_t offset, const char* data, std::size_t size) {
    TState& s = *state_;
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pwrite(s.Temp.Fd(), data + done, size - done, off_t(offset + done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            throw WriteError(s.FileName, ErrnoText(n < 0 ? errno : ENOSPC));
        }
        done += std::size_t(n);
    }
}

void TSafeFileWriter::Commit() {
    TState& s = *state_;
    if (::fsync(s.Temp.Fd()) != 0) {
        throw WriteError(s.FileName, ErrnoText(errno));
    }
    if (s.Temp.Close() != 0) {
        throw WriteError(s.FileName, ErrnoText(errno));
    }
    if (::rename(s.Temp.Path().constData(), s.TargetPath.constData()) != 0) {
        throw WriteError(s.FileName, ErrnoText(errno));
    }
    s.Temp.Keep();

    // The rename itself must reach the disk too.
    const int dir = ::open(QFile::encodeName(s.Folder).constData(), O_RDONLY | O_DIRECTORY);
    if (dir >= 0) {
        const int result = ::fsync(dir);
        const int error = errno;
        ::close(dir);
        if (result != 0 && error != EINVAL && error != EROFS) {
            throw WriteError(s.FileName, ErrnoText(error));
        }
    }
    RemoveStaleTemporaries(
        QFile::encodeName(s.Folder),
        QFile::encodeName(QLatin1Char('.') + QFileInfo(s.Target).fileName() + QLatin1Char('.')));
}

#endif

void WriteFileSafely(const QString& fileName,
                     const std::function<void(const TWritePiece& write)>& produce) {
    TSafeFileWriter file(fileName);
    produce([&file](const char* data, std::size_t size) { file.Write(data, size); });
    file.Commit();
}

void WriteFileSafely(const QString& fileName, const QByteArray& data) {
    WriteFileSafely(fileName, [&data](const TWritePiece& write) {
        write(data.constData(), std::size_t(data.size()));
    });
}
