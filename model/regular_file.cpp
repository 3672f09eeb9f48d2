#include "model/regular_file.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstring>

#include "model/errors.h"

#ifdef Q_OS_WIN
#include <io.h>
#include <sys/stat.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

QString ErrnoText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

}  // namespace

#ifdef Q_OS_WIN

TRegularFile::TRegularFile(const QString& fileName) : fileName_(fileName) {
    fd_ = ::_wopen(reinterpret_cast<const wchar_t*>(fileName.utf16()), _O_RDONLY | _O_BINARY);
    if (fd_ < 0) {
        throw EFOpenError::ForFile(fileName);
    }
    struct _stat64 info {};
    if (::_fstat64(fd_, &info) != 0 || (info.st_mode & _S_IFMT) != _S_IFREG) {
        // Folders do not open here at all.
        ::_close(fd_);
        fd_ = -1;
        throw EFOpenError(FormatMessage("Cannot open file %s: not a regular file", fileName));
    }
    size_ = std::uint64_t(info.st_size);
}

TRegularFile::~TRegularFile() {
    if (fd_ >= 0) {
        ::_close(fd_);
    }
}

std::size_t TRegularFile::Read(char* into, std::size_t size) {
    const auto want = unsigned(std::min<std::uint64_t>({size, size_ - read_, 1u << 30}));
    if (want == 0) {
        return 0;
    }
    const int n = ::_read(fd_, into, want);
    if (n < 0) {
        throw EReadError(
            QStringLiteral("Cannot read file %1: %2").arg(fileName_, ErrnoText(errno)));
    }
    read_ += unsigned(n);
    return std::size_t(n);
}

#else

TRegularFile::TRegularFile(const QString& fileName) : fileName_(fileName) {
    // Non-blocking, so that opening a FIFO without a writer returns at once.
    fd_ = ::open(QFile::encodeName(fileName).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) {
        throw EFOpenError::ForFile(fileName);
    }
    struct stat info {};
    if (::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode)) {
        const bool folder = S_ISDIR(info.st_mode);
        ::close(fd_);
        fd_ = -1;
        // A folder keeps the plain message that opening it always gave.
        throw folder
            ? EFOpenError::ForFile(fileName)
            : EFOpenError(FormatMessage("Cannot open file %s: not a regular file", fileName));
    }
    size_ = std::uint64_t(info.st_size);
}

TRegularFile::~TRegularFile() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

std::size_t TRegularFile::Read(char* into, std::size_t size) {
    const std::size_t want = std::size_t(std::min<std::uint64_t>(size, size_ - read_));
    for (;;) {
        if (want == 0) {
            return 0;
        }
        const ssize_t n = ::read(fd_, into, want);
        if (n >= 0) {
            read_ += std::uint64_t(n);
            return std::size_t(n);
        }
        if (errno != EINTR) {
            throw EReadError(
                QStringLiteral("Cannot read file %1: %2").arg(fileName_, ErrnoText(errno)));
        }
    }
}

#endif
