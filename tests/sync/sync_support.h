#pragma once

// What the sync tests share: running `pellmark-cli sync` in the test's process, and
// reading and changing the list file the way another program would.

#include <QFile>
#include <QTest>
#include <sstream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "model/todo_file.h"

namespace sync_test {

struct TCliResult {
    int ExitCode = -1;
    QString Out;
    QString Err;
};

// pellmark-cli sync FILE --url URL --user user [more...], with PELLMARK_PASSWORD as given.
inline TCliResult Sync(const QString& file, const QUrl& url, const QStringList& more = {},
                       const QByteArray& password = "x") {
    qputenv("PELLMARK_PASSWORD", password);
    std::vector<std::string> args{
        "sync", file.toStdString(), "--url", url.toString().toStdString(), "--user", "user"};
    for (const QString& arg : more) {
        args.push_back(arg.toStdString());
    }
    std::istringstream in;
    std::ostringstream out;
    std::ostringstream err;
    TCliResult result;
    result.ExitCode = RunPellmarkCli(args, in, out, err);
    result.Out = QString::fromStdString(out.str());
    result.Err = QString::fromStdString(err.str());
    return result;
}

// The subjects of a list, in its order.
inline QStringList Subjects(const QString& file) {
    TTodoItemCollection items;
    if (QFile::exists(file)) {
        LoadFromFile(items, file);
    }
    QStringList subjects;
    for (const TTodoItem* item : items) {
        subjects.append(QString::fromStdString(item->Subject()));
    }
    return subjects;
}

// Loads the list, lets `change` change it and saves it.
template <typename Change>
void ChangeList(const QString& file, Change change) {
    TTodoItemCollection items;
    if (QFile::exists(file)) {
        LoadFromFile(items, file);
    }
    change(items);
    SaveToFile(items, file);
}

inline TTodoItem* Find(TTodoItemCollection& items, const char* subject) {
    for (TTodoItem* item : items) {
        if (item->Subject() == subject) {
            return item;
        }
    }
    return nullptr;
}

inline TTodoItem* AddItem(TTodoItemCollection& items, const char* subject, double created) {
    TTodoItem* item = items.Add();
    item->SetSubject(subject);
    item->SetCreationDate(created);
    item->SetPriority(tpNormal);
    return item;
}

}  // namespace sync_test
