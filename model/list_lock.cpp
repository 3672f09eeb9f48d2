#include "model/list_lock.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QRandomGenerator>
#include <QThread>

#include "model/errors.h"

namespace {

std::unique_ptr<QLockFile> MakeLockFile(const QString& listFileName) {
    auto lock = std::make_unique<QLockFile>(ListLockFileName(listFileName));
    // Age alone never makes a lock stale: the window may hold a list open for days.
    lock->setStaleLockTime(0);
    return lock;
}

}  // namespace

QString ListLockFileName(const QString& listFileName) {
    const QFileInfo given(listFileName);
    // canonicalFilePath follows symbolic links but is empty for a file that does not exist
    // yet; then the folder is made canonical, so the lock is the same once the file exists.
    QString real = given.canonicalFilePath();
    if (real.isEmpty()) {
        const QString folder = given.absoluteDir().canonicalPath();
        real =
            folder.isEmpty() ? given.absoluteFilePath() : QDir(folder).filePath(given.fileName());
    }
    const QFileInfo info(real);
    return info.absoluteDir().filePath(QLatin1Char('.') + info.fileName() + QLatin1String(".lock"));
}

TListLock::TListLock() = default;

TListLock::~TListLock() {
    Unlock();
}

TLockResult TListLock::Lock(const QString& listFileName, int timeoutMs) {
    Unlock();
    listFileName_ = listFileName;
    auto lock = MakeLockFile(listFileName);
    if (lock->tryLock(timeoutMs)) {
        lock_ = std::move(lock);
        return lrLocked;
    }
    return lock->error() == QLockFile::LockFailedError ? lrHeldByOther : lrUnavailable;
}

void TListLock::Unlock() {
    if (lock_) {
        lock_->unlock();
        lock_.reset();
    }
}

bool TListLock::IsLocked() const {
    return lock_ && lock_->isLocked();
}

bool ListIsLockedByOther(const QString& listFileName, qint64* pid) {
    auto lock = MakeLockFile(listFileName);
    if (lock->tryLock(0)) {
        lock->unlock();
        return false;
    }
    if (lock->error() != QLockFile::LockFailedError) {
        return false;  // no lock file can exist there, so nobody holds one
    }
    qint64 owner = 0;
    QString host;
    QString app;
    if (!lock->getLockInfo(&owner, &host, &app)) {
        return true;  // being written this very moment by its new holder
    }
    if (owner == QCoreApplication::applicationPid()) {
        return false;  // a TListLock of this process
    }
    if (pid) {
        *pid = owner;
    }
    return true;
}

void LockListForChange(TListLock& lock, const QString& listFileName, int waitMs) {
    const QDeadlineTimer deadline(waitMs);
    bool removedUnreadable = false;
    for (;;) {
        if (lock.Lock(listFileName) != lrHeldByOther) {
            return;
        }
        qint64 pid = 0;
        QString host;
        QString app;
        // Unreadable while its holder writes it: then the next round tells.
        const bool known = MakeLockFile(listFileName)->getLockInfo(&pid, &host, &app);
        const bool byTool = app == QLatin1String("pellmark-cli");
        if (known && (!byTool || deadline.hasExpired())) {
            throw EPellmarkError(
                listFileName +
                (byTool ? QStringLiteral(" is being changed by pellmark-cli (process %1)")
                        : QStringLiteral(" is open in Pellmark (process %1)"))
                    .arg(pid));
        }
        if (!known && deadline.hasExpired()) {
            // A lock file that names no holder for the whole wait was left by a process
            // killed between making it and writing it (its maker writes it at once): it
            // is removed, once, as a stale lock would be.
            if (!removedUnreadable) {
                removedUnreadable = true;
                QFile::remove(ListLockFileName(listFileName));
                continue;
            }
            throw EPellmarkError(listFileName + QStringLiteral(" is open in Pellmark"));
        }
        // Short naps of varying length, so that two waiting commands do not keep meeting.
        QThread::msleep(5 + QRandomGenerator::global()->bounded(20));
    }
}
