#pragma once

// Helpers of the fault tests: the second process (reliability_saver), the bytes a list of a
// generation saves to, and a look at everything a folder holds.

#include <QByteArray>
#include <QDir>
#include <QProcess>
#include <QStringList>

#include "big_list.h"
#include "model/todo_file.h"

#include <unistd.h>

// The user the saver becomes when the tests run as root, who ignores file permissions.
inline constexpr const char* kUnprivilegedUid = "65534";

struct TSaverResult {
    int ExitCode = -1;
    QString Output;
};

inline TSaverResult RunSaver(const QStringList& arguments) {
    QProcess saver;
    saver.start(QStringLiteral(PELLMARK_SAVER), arguments);
    TSaverResult result;
    if (!saver.waitForFinished(120000) || saver.exitStatus() != QProcess::NormalExit) {
        result.Output = QStringLiteral("the saver did not finish: ") + saver.errorString();
        return result;
    }
    result.ExitCode = saver.exitCode();
    result.Output = QString::fromLocal8Bit(saver.readAllStandardOutput()).trimmed();
    return result;
}

// One save of `count` items of that generation by another process, as a user without
// privileges when the tests run as root.
inline TSaverResult SaveAsUser(const QString& file, int count, int generation) {
    QStringList arguments{QStringLiteral("save"), file, QString::number(count),
                          QString::number(generation)};
    if (::geteuid() == 0) {
        arguments << QString::fromLatin1(kUnprivilegedUid);
    }
    return RunSaver(arguments);
}

inline QByteArray ListBytes(int count, int generation) {
    TTodoItemCollection items;
    FillBigList(items, count);
    SetGeneration(items, generation);
    return ItemsToBytes(items);
}

// Every entry of a folder, hidden ones (a save's temporary files) included.
inline QStringList FolderEntries(const QString& folder) {
    return QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}
