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
//   reliability_saver hold FILE                    opens FILE, prints "open", waits for a
//                                                  line on stdin, then reads the whole file
//                                                  through the handle and prints its size
//                                                  and SHA-1

#include <QCryptographicHash>
#include <QFile>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

#include "big_list.h"
#include "model/errors.h"
#include "model/todo_file.h"

#ifndef Q_OS_WIN
#include <unistd.h>
#endif

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
#ifndef Q_OS_WIN
    if (uid) {
        const auto id = static_cast<uid_t>(std::strtoul(uid, nullptr, 10));
        if (::setgid(id) != 0 || ::setuid(id) != 0) {
            std::printf("cannot become user %s\n", uid);
            return 2;
        }
    }
#else
    Q_UNUSED(uid);
#endif
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

int Hold(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        std::printf("cannot open\n");
        return 2;
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
    if (mode == "hold" && argc == 3) {
        return Hold(QString::fromLocal8Bit(argv[2]));
    }
    std::fprintf(stderr, "usage: see the comment at the top of saver.cpp\n");
    return 2;
}
