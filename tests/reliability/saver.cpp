// A second process for the fault tests: it saves lists while the test kills it, makes one
// save as another user (root ignores file permissions), or holds a file open as another
// program would.
//
//   reliability_saver loop FILE COUNT GENERATION   save generation, generation + 1, ...
//                                                  forever; "ready" once the list is built,
//                                                  "saved N" after each save
//   reliability_saver save FILE COUNT GENERATION [UID]
//                                                  one save, as that user when given; prints
//                                                  the error message and exits 1 on failure
//   reliability_saver hold FILE [flock|fcntl]      opens FILE (and locks all of it
//                                                  exclusively with flock or a POSIX
//                                                  record lock), prints "open", waits for
//                                                  a line on stdin, then reads the whole
//                                                  file through the handle and prints its
//                                                  size and SHA-1
//   reliability_saver cut FILE                     starts a save of a small list and kills
//                                                  itself half-way through writing it
//   reliability_saver stall FILE COUNT GENERATION  starts the save, prints "writing" half-way,
//                                                  waits for a line on stdin, then finishes
//   reliability_saver locked-save FILE COUNT GENERATION MS
//                                                  takes the list lock as pellmark-cli does,
//                                                  prints "locked", saves after MS ms and
//                                                  prints "saved"; exits 1 when another
//                                                  process holds the lock
//   reliability_saver try-lock FILE                prints "locked" or "refused"
//   reliability_saver hold-lock FILE               takes the list lock, prints "locked" (or
//                                                  "refused" and exits 1) and keeps it until
//                                                  a line arrives on stdin

#include <QCryptographicHash>
#include <QFile>
#include <QThread>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <iostream>
#include <string>

#include "big_list.h"
#include "model/errors.h"
#include "model/list_lock.h"
#include "model/safe_file.h"
#include "model/todo_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

int Loop(const QString& file, int count, int generation) {
    TTodoItemCollection items;
    FillBigList(items, count);
    std::printf("ready\n");
    std::fflush(stdout);
    for (;; ++generation) {
        SetGeneration(items, generation);
        SaveToFile(items, file);
        std::printf("saved %d\n", generation);
        std::fflush(stdout);
    }
}

int SaveOnce(const QString& file, int count, int generation, const char* uid) {
    if (uid) {
        const auto id = static_cast<uid_t>(std::strtoul(uid, nullptr, 10));
        if (::setgid(id) != 0 || ::setuid(id) != 0) {
            std::printf("cannot become user %s\n", uid);
            return 2;
        }
    }
    TTodoItemCollection items;
    FillBigList(items, count);
    SetGeneration(items, generation);
    try {
        SaveToFile(items, file);
    } catch (const EPellmarkError& e) {
        std::printf("%s\n", e.what());
        return 1;
    }
    return 0;
}

int Hold(const QString& path, const std::string& lock) {
    QFile file(path);
    // A write lock of the POSIX kind needs a handle open for writing; nothing is written.
    if (!file.open(lock == "fcntl" ? QIODevice::ReadWrite : QIODevice::ReadOnly)) {
        std::printf("cannot open\n");
        return 2;
    }
    const int fd = file.handle();
    if (lock == "flock" && ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        std::printf("cannot lock\n");
        return 2;
    }
    if (lock == "fcntl") {
        struct flock whole {};
        whole.l_type = F_WRLCK;
        whole.l_whence = SEEK_SET;
        if (::fcntl(fd, F_SETLK, &whole) != 0) {
            std::printf("cannot lock\n");
            return 2;
        }
    }
    std::printf("open\n");
    std::fflush(stdout);
    std::string line;
    std::getline(std::cin, line);
    const QByteArray bytes = file.readAll();
    std::printf("%lld %s\n", static_cast<long long>(bytes.size()),
                QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex().constData());
    return 0;
}

// The bytes of a list, written in pieces of a kilobyte; `halfWay` runs after the first half.
void SaveInPieces(const QString& file, int count, int generation,
                  const std::function<void()>& halfWay) {
    TTodoItemCollection items;
    FillBigList(items, count);
    SetGeneration(items, generation);
    const QByteArray bytes = ItemsToBytes(items);
    WriteFileSafely(file, [&](const TWritePiece& write) {
        for (qsizetype at = 0; at < bytes.size(); at += 1024) {
            if (at >= bytes.size() / 2 && at < bytes.size() / 2 + 1024) {
                halfWay();
            }
            write(bytes.constData() + at,
                  std::size_t(std::min<qsizetype>(1024, bytes.size() - at)));
        }
    });
}

int Stall(const QString& file, int count, int generation) {
    SaveInPieces(file, count, generation, [] {
        std::printf("writing\n");
        std::fflush(stdout);
        std::string line;
        std::getline(std::cin, line);
    });
    std::printf("saved\n");
    return 0;
}

int LockedSave(const QString& file, int count, int generation, int ms) {
    TListLock lock;
    if (lock.Lock(file) != lrLocked) {
        std::printf("refused\n");
        return 1;
    }
    std::printf("locked\n");
    std::fflush(stdout);
    QThread::msleep(static_cast<unsigned long>(ms));
    TTodoItemCollection items;
    FillBigList(items, count);
    SetGeneration(items, generation);
    SaveToFile(items, file);
    std::printf("saved\n");
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "loop" && argc == 5) {
        return Loop(QString::fromLocal8Bit(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]));
    }
    if (mode == "save" && (argc == 5 || argc == 6)) {
        return SaveOnce(QString::fromLocal8Bit(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]),
                        argc == 6 ? argv[5] : nullptr);
    }
    if (mode == "hold" && (argc == 3 || argc == 4)) {
        return Hold(QString::fromLocal8Bit(argv[2]), argc == 4 ? argv[3] : "");
    }
    if (mode == "cut" && argc == 3) {
        SaveInPieces(QString::fromLocal8Bit(argv[2]), 200, 1, [] { std::raise(SIGKILL); });
        return 2;
    }
    if (mode == "stall" && argc == 5) {
        return Stall(QString::fromLocal8Bit(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]));
    }
    if (mode == "locked-save" && argc == 6) {
        return LockedSave(QString::fromLocal8Bit(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]),
                          std::atoi(argv[5]));
    }
    if (mode == "hold-lock" && argc == 3) {
        TListLock lock;
        if (lock.Lock(QString::fromLocal8Bit(argv[2])) != lrLocked) {
            std::printf("refused\n");
            return 1;
        }
        std::printf("locked\n");
        std::fflush(stdout);
        std::string line;
        std::getline(std::cin, line);
        return 0;
    }
    if (mode == "try-lock" && argc == 3) {
        TListLock lock;
        const bool locked = lock.Lock(QString::fromLocal8Bit(argv[2])) == lrLocked;
        std::printf("%s\n", locked ? "locked" : "refused");
        return 0;
    }
    std::fprintf(stderr, "usage: see the comment at the top of saver.cpp\n");
    return 2;
}
