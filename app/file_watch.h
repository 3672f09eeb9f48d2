#pragma once

// Notices when another program changes the window's current file: a sync tool, a copy
// from a backup, pellmark-cli, an editor. Most of them replace the file by renaming a new
// one over it, which ends a watch on the file itself; so the folder is watched too and the
// file's watch is set again whenever the file is back.
//
// The window tells the watch what it read or wrote last (a stamp of size, modification
// time and a hash of the bytes). A change whose bytes equal the stamp is the window's own
// save or a mere touch, and is not reported; each other state of the file is reported once.

#include <QByteArray>
#include <QDateTime>
#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QTimer>

#include "model/todo_collections.h"

// What a file held when the window last read or wrote it.
struct TFileStamp {
    bool Exists = false;
    qint64 Size = -1;
    QDateTime Modified;
    QByteArray Hash;  // of the whole file's bytes
};

// The stamp of a file as it is on disk now (it reads the whole file); a file that cannot be
// read has Exists false. The bytes read go to `bytes` when given.
TFileStamp StampOnDisk(const QString& path, QByteArray* bytes = nullptr);
// Whether the file on disk is still the one of the stamp. Equal size and time decide
// nothing on their own (a same-sized write within the clock's resolution); the bytes do.
bool SameAsOnDisk(const TFileStamp& known, const QString& path);
// A hash of what a save of these items would write; the window compares it with the one
// taken after its last read or write to tell whether it holds unsaved changes. A list
// that cannot be saved (a text too long for the file) hashes as empty.
QByteArray ContentHash(const TTodoItemCollection& items);

class TFileWatch : public QObject {
    Q_OBJECT

public:
    explicit TFileWatch(QObject* parent = nullptr);

    // Watches this file, whose contents the window knows as `known`; an empty path stops
    // watching.
    void Watch(const QString& path, const TFileStamp& known);
    const QString& Path() const { return path_; }
    const TFileStamp& Known() const { return known_; }
    // Whether the file on disk differs from the known contents now: changed, replaced or
    // removed. False while nothing is watched.
    bool ChangedOnDisk() const;

    // How long the file must stay quiet after a change before it is looked at, so that a
    // program writing it in several steps is read once, when it has finished.
    static constexpr int kSettleMilliseconds = 250;

Q_SIGNALS:
    // The file on disk is no longer what the window knows (it may be gone); raised once
    // for each state of the file, after it has settled.
    void Changed();

private:
    void Arm();
    void Look();

    QFileSystemWatcher watcher_;
    QTimer settle_;
    QString path_;
    TFileStamp known_;
    // The state last reported, so that one change is reported once.
    TFileStamp reported_;
};
