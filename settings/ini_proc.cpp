#include "settings/ini_proc.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSettings>
#include <QStandardPaths>
#include <QThread>
#include <QVariant>
#include <memory>

ESettingsError ESettingsError::InvalidType(const QString& name) {
    return ESettingsError(FormatMessage("Invalid data type for '%s'", name));
}

ESettingsError ESettingsError::SetFailed(const QString& name) {
    return ESettingsError(FormatMessage("Failed to set data for '%s'", name));
}

ESettingsError ESettingsError::CreateFailed(const QString& section) {
    return ESettingsError(FormatMessage("Failed to create key %s", section));
}

QString SettingsFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Pellmark");
}

QString SettingsFileName() {
    return SettingsFolder() + QStringLiteral("/Pellmark.conf");
}

namespace {

#ifdef Q_OS_WIN

std::unique_ptr<QSettings> OpenStore() {
    return std::make_unique<QSettings>(QStringLiteral("HKEY_CURRENT_USER\\Software\\Pellmark"),
                                       QSettings::NativeFormat);
}

QString ReadValue(const QString& section, const QString& name) {
    auto store = OpenStore();
    store->beginGroup(section);
    if (!store->contains(name)) {
        return kSettingAbsent;
    }
    const QVariant value = store->value(name);
    if (value.typeId() != QMetaType::QString) {
        throw ESettingsError::InvalidType(name);
    }
    return value.toString();
}

void WriteValue(const QString& section, const QString& name, const QString& value) {
    auto store = OpenStore();
    store->beginGroup(section);
    store->setValue(name, value);
    store->sync();
    if (store->status() != QSettings::NoError) {
        throw ESettingsError::SetFailed(name);
    }
}

void DeleteValue(const QString& section, const QString& name) {
    auto store = OpenStore();
    store->beginGroup(section);
    if (!store->contains(name)) {
        return;
    }
    store->remove(name);
    store->sync();
    if (store->status() != QSettings::NoError) {
        throw ESettingsError::SetFailed(name);
    }
}

#else

// QSettings keeps parsed INI files in a process-wide cache and re-reads one only when its
// size or modification time (in milliseconds) has changed. Two writes of the same length
// within one millisecond would therefore leave another process reading the old value. So
// every writer holds this guard and makes the file's time strictly later than the time
// of the version it replaced.
class TWriteGuard {
public:
    TWriteGuard(const QString& fileName, const QString& name)
        : fileName_(fileName), lock_(fileName + QStringLiteral(".guard")) {
        // Short polls instead of QLockFile's own waiting, which sleeps 100 ms and more
        // between attempts although a write holds the lock for about a millisecond.
        const QDeadlineTimer deadline(10000);
        while (!lock_.tryLock(0)) {
            if (lock_.error() != QLockFile::LockFailedError || deadline.hasExpired()) {
                throw ESettingsError::SetFailed(name);
            }
            QThread::msleep(2);
        }
        before_ = ModifiedMSecs();
    }
    ~TWriteGuard() { lock_.unlock(); }

    void Written() {
        if (before_ >= 0 && ModifiedMSecs() <= before_) {
            QFile file(fileName_);
            if (file.open(QIODevice::ReadWrite)) {
                file.setFileTime(QDateTime::fromMSecsSinceEpoch(before_ + 1),
                                 QFileDevice::FileModificationTime);
            }
        }
    }

private:
    qint64 ModifiedMSecs() const {
        const QFileInfo info(fileName_);
        return info.exists() ? info.lastModified().toMSecsSinceEpoch() : -1;
    }

    QString fileName_;
    QLockFile lock_;
    qint64 before_ = -1;
};

// A settings file that is there but cannot be read (a folder in its place, no permission).
bool Unreadable(const QString& fileName) {
    if (!QFileInfo::exists(fileName)) {
        return false;
    }
    QFile file(fileName);
    return !file.open(QIODevice::ReadOnly);
}

std::unique_ptr<QSettings> OpenStore(const QString& fileName, const QString& section) {
    auto store = std::make_unique<QSettings>(fileName, QSettings::IniFormat);
    store->beginGroup(section);
    return store;
}

// QSettings writes a whole new file from what it could parse. Lines it cannot read, comments,
// bytes that are not UTF-8, lists and typed "@" values would come back changed or not at
// all, so a write goes ahead only when every other line of the file is one it writes itself
// for a plain text: a section header, or name=text with commas only inside quotes. The
// value being replaced may be anything.
bool ValueIsPlainText(const QByteArray& text) {
    const QByteArray value = text.trimmed();
    if (value.startsWith('@') && !value.startsWith("@@")) {
        return false;  // a list, byte array or typed variant
    }
    bool quoted = false;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c == '\\') {
            if (++i == value.size()) {
                return false;  // the value goes on in the next line
            }
        } else if (c == '"') {
            quoted = !quoted;
        } else if (!quoted && (c == ',' || c == ';')) {
            return false;  // a list, or a comment after the value
        }
    }
    return !quoted;
}

bool RewriteKeepsTheFile(const QByteArray& bytes, const QString& section, const QString& name) {
    if (bytes.contains('\0') || QString::fromUtf8(bytes).toUtf8() != bytes) {
        return false;
    }
    const QByteArray ownSection = section.toUtf8();
    const QByteArray ownName = name.toUtf8();
    // A byte order mark, as some editors write it, is read over and simply not written back.
    const qsizetype start = bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    QByteArray current;
    // A carriage return ends a line as well.
    for (const QByteArray& raw : bytes.mid(start).replace('\r', '\n').split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.isEmpty()) {
            continue;
        }
        if (line.startsWith('[')) {
            if (!line.endsWith(']')) {
                return false;
            }
            current = line.mid(1, line.size() - 2).trimmed();
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        if (equals <= 0) {
            return false;  // no name, or no value: a damaged or cut-off line, or a comment
        }
        const QByteArray key = line.left(equals).trimmed();
        if (key.contains(';') || key.startsWith('#')) {
            return false;  // a comment
        }
        if (current == ownSection && key == ownName) {
            continue;
        }
        if (!ValueIsPlainText(line.mid(equals + 1))) {
            return false;
        }
    }
    return true;
}

QByteArray FileBytes(const QString& fileName, bool& readable) {
    QFile file(fileName);
    readable = !file.exists() || file.open(QIODevice::ReadOnly);
    return readable && file.isOpen() ? file.readAll() : QByteArray();
}

// Throws when writing the value would change or drop anything else in the file.
void CheckRewrite(const QString& fileName, const QString& section, const QString& name) {
    bool readable = false;
    const QByteArray bytes = FileBytes(fileName, readable);
    if (!readable || !RewriteKeepsTheFile(bytes, section, name)) {
        throw ESettingsError::SetFailed(name);
    }
}

void CheckWritten(QSettings& store, const QString& name) {
    store.sync();
    if (store.status() != QSettings::NoError) {
        throw ESettingsError::SetFailed(name);
    }
}

QString ReadValue(const QString& section, const QString& name) {
    const QString fileName = SettingsFileName();
    if (!QFileInfo::exists(fileName)) {
        return kSettingAbsent;
    }
    if (Unreadable(fileName)) {
        throw ESettingsError::CreateFailed(section);
    }
    auto store = OpenStore(fileName, section);
    if (store->status() == QSettings::AccessError) {
        throw ESettingsError::CreateFailed(section);
    }
    // Lines that cannot be read are passed over, as the registry keeps every value apart:
    // the others still read. (QSettings reports them only on the first parse of a file in
    // this process, so an error here would come and go.) A write refuses such a file.
    if (!store->contains(name)) {
        return kSettingAbsent;
    }
    // Lists ("a, b"), byte arrays and @Variant(...) values are not plain texts.
    const QVariant value = store->value(name);
    if (value.typeId() != QMetaType::QString) {
        throw ESettingsError::InvalidType(name);
    }
    return value.toString();
}

void WriteValue(const QString& section, const QString& name, const QString& value) {
    const QString fileName = SettingsFileName();
    if (!QDir().mkpath(SettingsFolder())) {
        throw ESettingsError::CreateFailed(section);
    }
    // QSettings would treat an unreadable file as empty and replace it, losing every other
    // value in it.
    if (Unreadable(fileName)) {
        throw ESettingsError::SetFailed(name);
    }
    TWriteGuard guard(fileName, name);
    CheckRewrite(fileName, section, name);
    auto store = OpenStore(fileName, section);
    store->setValue(name, value);
    CheckWritten(*store, name);
    guard.Written();
}

void DeleteValue(const QString& section, const QString& name) {
    const QString fileName = SettingsFileName();
    if (!QFileInfo::exists(fileName)) {
        return;
    }
    if (Unreadable(fileName)) {
        throw ESettingsError::SetFailed(name);
    }
    if (!OpenStore(fileName, section)->contains(name)) {
        return;  // nothing to delete, and nothing is written
    }
    TWriteGuard guard(fileName, name);
    CheckRewrite(fileName, section, name);
    auto store = OpenStore(fileName, section);
    store->remove(name);
    CheckWritten(*store, name);
    guard.Written();
}

#endif

}  // namespace

QString ReadSetting(const QString& section, const QString& name) {
    return ReadValue(section, name);
}

void WriteSetting(const QString& section, const QString& name, const QString& value) {
    WriteValue(section, name, value);
}

void DeleteSetting(const QString& section, const QString& name) {
    DeleteValue(section, name);
}
