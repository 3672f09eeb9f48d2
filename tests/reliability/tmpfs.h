#pragma once

// A small tmpfs that a test mounts where it may (as root, or in a user namespace), for a
// disk that fills up or a file system that turns read-only. Unmounted again however the
// test ends.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

#include <sys/mount.h>

class TTmpfs {
public:
    TTmpfs() = default;
    TTmpfs(const TTmpfs&) = delete;
    TTmpfs& operator=(const TTmpfs&) = delete;

    bool Mount(const QString& folder, const QByteArray& options) {
        QDir().mkpath(folder);
        const QByteArray path = QFile::encodeName(folder);
        if (::mount("tmpfs", path.constData(), "tmpfs", MS_NOSUID | MS_NODEV,
                    options.constData()) != 0) {
            return false;
        }
        path_ = path;
        options_ = options;
        return true;
    }
    // Everything on it stays readable; nothing can be written, not even by root.
    bool MakeReadOnly() {
        return !path_.isEmpty() &&
               ::mount("tmpfs", path_.constData(), "tmpfs",
                       MS_REMOUNT | MS_RDONLY | MS_NOSUID | MS_NODEV, options_.constData()) == 0;
    }
    ~TTmpfs() {
        if (!path_.isEmpty()) {
            ::umount2(path_.constData(), MNT_DETACH);
        }
    }

private:
    QByteArray path_;
    QByteArray options_;
};
