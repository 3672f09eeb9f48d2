#include "app/file_watch.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>

#include "model/todo_file.h"

namespace {

constexpr auto kHash = QCryptographicHash::Sha1;

bool SameState(const TFileStamp& a, const TFileStamp& b) {
    return a.Exists == b.Exists && (!a.Exists || a.Hash == b.Hash);
}

}  // namespace

TFileStamp StampOnDisk(const QString& path, QByteArray* bytes) {
    TFileStamp stamp;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return stamp;
    }
    const QByteArray data = file.readAll();
    const QFileInfo info(path);
    stamp.Exists = true;
    stamp.Size = data.size();
    stamp.Modified = info.lastModified();
    stamp.Hash = QCryptographicHash::hash(data, kHash);
    if (bytes) {
        *bytes = data;
    }
    return stamp;
}

bool SameAsOnDisk(const TFileStamp& known, const QString& path) {
    const QFileInfo info(path);
    if (!info.exists()) {
        return !known.Exists;
    }
    if (!known.Exists || info.size() != known.Size) {
        return false;
    }
    return SameState(known, StampOnDisk(path));
}

QByteArray ContentHash(const TTodoItemCollection& items) {
    // Record by record, so that a large list is not held a second time.
    QCryptographicHash hash(kHash);
    const int count = items.Count();
    hash.addData(QByteArrayView(reinterpret_cast<const char*>(&count), sizeof count));
    QByteArray record;
    try {
        for (const TTodoItem* item : items) {
            record.clear();
            AppendItemRecord(record, *item, item->Index());
            hash.addData(record);
        }
    } catch (const EPellmarkError&) {
        return {};
    }
    return hash.result();
}

TFileWatch::TFileWatch(QObject* parent) : QObject(parent) {
    settle_.setSingleShot(true);
    settle_.setInterval(kSettleMilliseconds);
    connect(&settle_, &QTimer::timeout, this, &TFileWatch::Look);
    // Every event (re)starts the quiet time; the file is looked at once it has passed.
    connect(&watcher_, &QFileSystemWatcher::fileChanged, this, [this] { settle_.start(); });
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, [this] { settle_.start(); });
}

void TFileWatch::Watch(const QString& path, const TFileStamp& known) {
    if (!watcher_.files().isEmpty()) {
        watcher_.removePaths(watcher_.files());
    }
    if (!watcher_.directories().isEmpty()) {
        watcher_.removePaths(watcher_.directories());
    }
    settle_.stop();
    path_ = path.isEmpty() ? QString() : QFileInfo(path).absoluteFilePath();
    known_ = known;
    reported_ = known;
    if (!path_.isEmpty()) {
        watcher_.addPath(QFileInfo(path_).absolutePath());
        Arm();
    }
}

bool TFileWatch::ChangedOnDisk() const {
    return !path_.isEmpty() && !SameAsOnDisk(known_, path_);
}

void TFileWatch::Arm() {
    // A file replaced by a rename is a new file: its old watch ended with the old one.
    if (!watcher_.files().contains(path_) && QFileInfo::exists(path_)) {
        watcher_.addPath(path_);
    }
}

void TFileWatch::Look() {
    if (path_.isEmpty()) {
        return;
    }
    Arm();
    // The bytes decide, not the time: a write within the clock's resolution keeps it.
    const TFileStamp now = StampOnDisk(path_);
    if (SameState(now, known_)) {
        known_ = now;  // touched, or written again with the same bytes
        reported_ = now;
        return;
    }
    if (SameState(now, reported_)) {
        return;
    }
    reported_ = now;
    Q_EMIT Changed();
}
