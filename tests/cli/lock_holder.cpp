// Holds the lock on a list in a process of its own, as the window does, for the tests of
// the lock: "lock_holder FILE [MS]" prints "locked" or "refused", then keeps the lock until
// its standard input ends, or for MS milliseconds. Killing it leaves a stale lock behind.

#include <QCoreApplication>
#include <QThread>
#include <cstdio>
#include <iostream>
#include <string>

#include "model/list_lock.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 2 && argc != 3) {
        return 2;
    }
    TListLock lock;
    const bool locked = lock.Lock(QString::fromLocal8Bit(argv[1])) == lrLocked;
    std::printf("%s\n", locked ? "locked" : "refused");
    std::fflush(stdout);
    if (argc == 3) {
        QThread::msleep(std::stoul(argv[2]));
    } else {
        std::string line;
        while (std::getline(std::cin, line)) {
        }
    }
    return locked ? 0 : 1;
}
