#pragma once

// What the about box says about the running operating system.

#include <QByteArray>
#include <QString>
#include <QStringList>

struct TOSDescription {
    // Windows: "Windows NT" (the family). Linux: the kernel's name, "Linux".
    QString PlatformName;
    // Windows: the registry's ProductName, "(unavailable)" when its key cannot be read.
    // Linux: the distribution's pretty name ("Debian GNU/Linux 12 (bookworm)").
    QString ProductName;
    // Windows: the service-pack text, possibly empty. Linux: the kernel version.
    QString VersionText;

    friend bool operator==(const TOSDescription&, const TOSDescription&) = default;
};

// PRETTY_NAME of an os-release file (quotes and backslash escapes removed); empty when
// the file has none.
QString OsReleasePrettyName(const QByteArray& contents);

class IOSInfo {
public:
    virtual ~IOSInfo() = default;
    virtual TOSDescription Describe() const = 0;
};

class TQtOSInfo : public IOSInfo {
public:
    // The os-release files to try in turn for the distribution's name; the standard places
    // unless a test gives others.
    explicit TQtOSInfo(QStringList osReleaseFiles = {QStringLiteral("/etc/os-release"),
                                                     QStringLiteral("/usr/lib/os-release")});
    TOSDescription Describe() const override;

private:
    QStringList osReleaseFiles_;
};
