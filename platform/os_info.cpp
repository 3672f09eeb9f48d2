#include "platform/os_info.h"

#include <QFile>
#include <QSettings>
#include <QStringList>
#include <QSysInfo>
#include <utility>

#ifdef Q_OS_UNIX
#include <sys/utsname.h>
#endif

QString OsReleasePrettyName(const QByteArray& contents) {
    for (const QByteArray& rawLine : contents.split('\n')) {
        const QByteArray line = rawLine.trimmed();
        if (!line.startsWith("PRETTY_NAME=")) {
            continue;
        }
        QByteArray value = line.mid(int(sizeof("PRETTY_NAME=") - 1));
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
            value.back() == value.front()) {
            value = value.mid(1, value.size() - 2);
        }
        QByteArray unescaped;
        for (qsizetype i = 0; i < value.size(); ++i) {
            if (value[i] == '\\' && i + 1 < value.size()) {
                ++i;
            }
            unescaped += value[i];
        }
        return QString::fromUtf8(unescaped);
    }
    return {};
}

TQtOSInfo::TQtOSInfo(QStringList osReleaseFiles) : osReleaseFiles_(std::move(osReleaseFiles)) {}

TOSDescription TQtOSInfo::Describe() const {
    TOSDescription d;
#ifdef Q_OS_WIN
    // Every Windows that Qt 6 runs on is of the NT family.
    d.PlatformName = QStringLiteral("Windows NT");
    const QSettings key(
        QStringLiteral("HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion"),
        QSettings::NativeFormat);
    if (key.childKeys().isEmpty()) {
        d.ProductName = QStringLiteral("(unavailable)");
    } else {
        d.ProductName = key.value(QStringLiteral("ProductName")).toString();
        d.VersionText = key.value(QStringLiteral("CSDVersion")).toString();
    }
#else
#ifdef Q_OS_UNIX
    utsname names{};
    if (::uname(&names) == 0) {
        d.PlatformName = QString::fromLocal8Bit(names.sysname);
    }
#endif
    if (d.PlatformName.isEmpty()) {
        d.PlatformName = QSysInfo::kernelType();
    }
    for (const QString& fileName : osReleaseFiles_) {
        QFile file(fileName);
        if (file.open(QIODevice::ReadOnly)) {
            d.ProductName = OsReleasePrettyName(file.read(64 * 1024));
            if (!d.ProductName.isEmpty()) {
                break;
            }
        }
    }
    if (d.ProductName.isEmpty()) {
        d.ProductName = QSysInfo::prettyProductName();
    }
    d.VersionText = QSysInfo::kernelVersion();
#endif
    return d;
}
