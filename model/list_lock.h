#pragma once

// The lock that keeps the window and pellmark-cli from overwriting each other's work. The
// window holds it while a list is its current file; a changing command of the command-line
// tool holds it for the moment of its change (LockListForChange), waiting for another such
// command and refusing a list that the window holds.
//
// The lock is a lock file ".NAME.lock" beside the list (QLockFile). It is never considered
// stale because of its age, only when the process that made it has died, so a window that
// keeps a list open for days keeps it locked; the lock of a crashed window is taken over.

#include <QString>
#include <cstdint>
#include <memory>

class QLockFile;

enum TLockResult : std::uint8_t {
    lrLocked = 0,   // this object holds the lock now
    lrHeldByOther,  // a live process holds it
    lrUnavailable,  // no lock file can be made there (read-only folder, no such folder)
};

class TListLock {
public:
    TListLock();
    ~TListLock();  // releases the lock
    TListLock(const TListLock&) = delete;
    TListLock& operator=(const TListLock&) = delete;

    // Releases any lock this object holds, then locks the given list, waiting up to
    // timeoutMs milliseconds while another process holds it.
    TLockResult Lock(const QString& listFileName, int timeoutMs = 0);
    // Removes the lock file; nothing happens when no lock is held.
    void Unlock();

    bool IsLocked() const;
    // The list as given to the last Lock, or empty.
    const QString& ListFileName() const { return listFileName_; }

private:
    std::unique_ptr<QLockFile> lock_;
    QString listFileName_;
};

// The lock file of a list: ".NAME.lock" in the folder of the list's real file (symbolic
// links followed), so every path to the same list finds the same lock.
QString ListLockFileName(const QString& listFileName);

// Locks the list for a command that changes it. Another pellmark-cli changing the same
// list holds its lock for a moment, so that one is waited for, up to `waitMs`; a window
// that has the list open is not. Raises EPellmarkError "FILE is being changed by
// pellmark-cli (process N)" or "FILE is open in Pellmark (process N)", told apart by the
// program name in the lock file (QLockFile writes its maker's executable name). A lock
// file that names no holder for the whole wait (its maker was killed while making it) is
// removed. A folder where no lock file can be made is let through: it cannot take the new
// list either, and the save reports that.
void LockListForChange(TListLock& lock, const QString& listFileName, int waitMs = 5000);

// Whether a live process other than this one holds the lock on the list; `pid` receives
// that process's id when given. A stale lock is removed on the way.
bool ListIsLockedByOther(const QString& listFileName, qint64* pid = nullptr);
