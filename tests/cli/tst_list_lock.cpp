// The list lock between processes: one process holds it the way the window does, another
// asks for it, and a holder that dies leaves a lock that is taken over.

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "cli_support.h"
#include "model/list_lock.h"

using cli_test::Holder;

class TestListLock : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() {
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
        list_ = dir_->filePath(QStringLiteral("todo.2do"));
    }

    void lockFileSitsBesideTheRealFile() {
        QCOMPARE(ListLockFileName(list_), dir_->filePath(QStringLiteral(".todo.2do.lock")));
        // Relative and absolute names, and a symbolic link, find the same lock.
        QFile(list_).open(QIODevice::WriteOnly);
        QVERIFY(QDir(dir_->path()).mkdir(QStringLiteral("links")));
        const QString link = dir_->filePath(QStringLiteral("links/other name.2do"));
        QVERIFY(QFile::link(list_, link));
        QCOMPARE(ListLockFileName(link), ListLockFileName(list_));
        QVERIFY(QDir::setCurrent(dir_->path()));
        QCOMPARE(ListLockFileName(QStringLiteral("todo.2do")), ListLockFileName(list_));
        // A list that does not exist yet, reached through a linked folder, gets the lock it
        // will have once it exists.
        const QString linkedFolder = dir_->filePath(QStringLiteral("linked"));
        QVERIFY(QFile::link(dir_->path(), linkedFolder));
        const QString later = QStringLiteral("linked/later.2do");
        const QString before = ListLockFileName(later);
        QFile(later).open(QIODevice::WriteOnly);
        QCOMPARE(ListLockFileName(later), before);
        QCOMPARE(before, ListLockFileName(dir_->filePath(QStringLiteral("later.2do"))));
    }

    void lockAndUnlock() {
        {
            TListLock lock;
            QCOMPARE(lock.Lock(list_), lrLocked);
            QVERIFY(lock.IsLocked());
            QCOMPARE(lock.ListFileName(), list_);
            QVERIFY(QFile::exists(ListLockFileName(list_)));
            // The holder itself is not "another process".
            QVERIFY(!ListIsLockedByOther(list_));
            // A second lock in the same process is refused like any other holder.
            TListLock second;
            QCOMPARE(second.Lock(list_), lrHeldByOther);
            lock.Unlock();
            QVERIFY(!lock.IsLocked());
            QVERIFY(!QFile::exists(ListLockFileName(list_)));
            QCOMPARE(second.Lock(list_), lrLocked);
        }
        QVERIFY2(!QFile::exists(ListLockFileName(list_)), "the destructor releases the lock");
    }

    void lockingAnotherListReleasesTheFirst() {
        const QString other = dir_->filePath(QStringLiteral("other.2do"));
        TListLock lock;
        QCOMPARE(lock.Lock(list_), lrLocked);
        QCOMPARE(lock.Lock(other), lrLocked);
        QVERIFY(!QFile::exists(ListLockFileName(list_)));
        QVERIFY(QFile::exists(ListLockFileName(other)));
    }

    void folderWithoutRoomForALock() {
        TListLock lock;
        QCOMPARE(lock.Lock(dir_->filePath(QStringLiteral("missing/todo.2do"))), lrUnavailable);
        QVERIFY(!lock.IsLocked());
        QVERIFY(!ListIsLockedByOther(dir_->filePath(QStringLiteral("missing/todo.2do"))));
    }

    void anotherProcessHoldsTheLock() {
        Holder holder(list_);
        QCOMPARE(holder.Answer(), QByteArray("locked"));
        qint64 pid = 0;
        QVERIFY(ListIsLockedByOther(list_, &pid));
        QCOMPARE(pid, holder.Pid());
        TListLock lock;
        QCOMPARE(lock.Lock(list_), lrHeldByOther);
        // While this process holds it, a second process is refused in turn.
        holder.Release();
        QCOMPARE(lock.Lock(list_), lrLocked);
        Holder refused(list_);
        QCOMPARE(refused.Answer(), QByteArray("refused"));
    }

    void waitingForTheHolderToLetGo() {
        // This one lets go by itself after a moment.
        Holder holder(list_, {QStringLiteral("300")});
        QCOMPARE(holder.Answer(), QByteArray("locked"));
        TListLock lock;
        QCOMPARE(lock.Lock(list_, 0), lrHeldByOther);
        QCOMPARE(lock.Lock(list_, 20000), lrLocked);
    }

    void lockOfADeadProcessIsTakenOver() {
        Holder holder(list_);
        QCOMPARE(holder.Answer(), QByteArray("locked"));
        holder.Kill();
        QVERIFY2(QFile::exists(ListLockFileName(list_)), "a killed holder leaves its lock file");
        QVERIFY(!ListIsLockedByOther(list_));
        TListLock lock;
        QCOMPARE(lock.Lock(list_), lrLocked);
    }

private:
    std::unique_ptr<QTemporaryDir> dir_;
    QString list_;
};

QTEST_GUILESS_MAIN(TestListLock)
#include "tst_list_lock.moc"
