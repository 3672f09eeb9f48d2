#include <unistd.h>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTest>
#include <cstring>
#include <iostream>

#include "settings/ini_proc.h"

namespace {

const QString kSection = QStringLiteral("Settings");

QByteArray FileBytes() {
    QFile file(SettingsFileName());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteRawFile(const QByteArray& bytes) {
    QDir().mkpath(SettingsFolder());
    QFile file(SettingsFileName());
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

// The message of the ESettingsError that the call throws, or an empty text.
template <typename Call>
QString ErrorOf(Call call) {
    try {
        call();
    } catch (const ESettingsError& e) {
        return e.Message();
    }
    return {};
}

bool RunningAsRoot() {
    return ::geteuid() == 0;
}

}  // namespace

class TestIniProc : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        // The cases delete the settings folder: refuse to run on the user's real one. The
        // test runner gives this binary a configuration folder of its own.
        const QString own = qEnvironmentVariable("XDG_CONFIG_HOME");
        QVERIFY2(!own.isEmpty() && SettingsFolder().startsWith(own),
                 "run through ctest: XDG_CONFIG_HOME must name a folder for this test");
    }

    void init() {
        // Every case starts without a settings folder.
        QFile::setPermissions(SettingsFileName(), QFile::ReadOwner | QFile::WriteOwner);
        QFile::setPermissions(SettingsFolder(),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QDir(SettingsFolder()).removeRecursively();
        QFile::remove(SettingsFolder());
    }

    void absentIsNa() {
        QCOMPARE(ReadSetting(kSection, QStringLiteral("left")), QStringLiteral("n/a"));
        WriteSetting(kSection, QStringLiteral("top"), QStringLiteral("100"));
        QCOMPARE(ReadSetting(kSection, QStringLiteral("left")), QStringLiteral("n/a"));
        QCOMPARE(ReadSetting(QStringLiteral("Other"), QStringLiteral("top")),
                 QStringLiteral("n/a"));
    }

    void readingCreatesNothing() {
        ReadSetting(kSection, QStringLiteral("maximized"));
        QVERIFY(!QFileInfo::exists(SettingsFolder()));
    }

    void roundTrip_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("value");
        QTest::newRow("flag") << "prevnotes"
                              << "y";
        QTest::newRow("upper-case Y stays Y, so a flag test sees it off") << "asktosave"
                                                                          << "Y";
        QTest::newRow("negative number") << "left"
                                         << "-12";
        QTest::newRow("path with blanks") << "startupfile"
                                          << "/home/a b/My list.2do";
        QTest::newRow("windows path") << "startupfile"
                                      << "C:\\Lists\\work.2do";
        QTest::newRow("comma is no list") << "startupfile"
                                          << "a, b";
        QTest::newRow("looks like a variant") << "startupfile"
                                              << "@Variant(\\0)";
        QTest::newRow("surrounding blanks") << "startupfile"
                                            << "  x  ";
        QTest::newRow("ini syntax") << "startupfile"
                                    << "[Settings]\nx=y;z \"q\"";
        QTest::newRow("non-ASCII") << "startupfile" << QString::fromUtf8("Liste für März.2do");
        QTest::newRow("column flags") << "colvis"
                                      << "10110011101";
    }
    void roundTrip() {
        QFETCH(QString, name);
        QFETCH(QString, value);
        WriteSetting(kSection, name, value);
        QCOMPARE(ReadSetting(kSection, name), value);
    }

    void emptyValueExists() {
        WriteSetting(kSection, QStringLiteral("ckHideScroll"), QString());
        QCOMPARE(ReadSetting(kSection, QStringLiteral("ckHideScroll")), QString());
        DeleteSetting(kSection, QStringLiteral("ckHideScroll"));
        QCOMPARE(ReadSetting(kSection, QStringLiteral("ckHideScroll")), QStringLiteral("n/a"));
    }

    void keysKeepTheirCase() {
        WriteSetting(kSection, QStringLiteral("ckAutoSave"), QStringLiteral("y"));
        WriteSetting(kSection, QStringLiteral("vDone"), QStringLiteral("1"));
        QCOMPARE(ReadSetting(kSection, QStringLiteral("ckautosave")), QStringLiteral("n/a"));
        const QByteArray bytes = FileBytes();
        QVERIFY2(bytes.contains("[Settings]"), bytes.constData());
        QVERIFY2(bytes.contains("\nckAutoSave=y"), bytes.constData());
        QVERIFY2(bytes.contains("\nvDone=1"), bytes.constData());
    }

    void overwriteAndDelete() {
        WriteSetting(kSection, QStringLiteral("vDone"), QStringLiteral("1"));
        WriteSetting(kSection, QStringLiteral("vSubj"), QStringLiteral("1"));
        WriteSetting(kSection, QStringLiteral("vDone"), QStringLiteral("0"));
        QCOMPARE(ReadSetting(kSection, QStringLiteral("vDone")), QStringLiteral("0"));
        DeleteSetting(kSection, QStringLiteral("vDone"));
        QCOMPARE(ReadSetting(kSection, QStringLiteral("vDone")), QStringLiteral("n/a"));
        QCOMPARE(ReadSetting(kSection, QStringLiteral("vSubj")), QStringLiteral("1"));
        QVERIFY(!FileBytes().contains("vDone"));
    }

    void deletingAbsentWritesNothing() {
        DeleteSetting(kSection, QStringLiteral("maximized"));
        QVERIFY(!QFileInfo::exists(SettingsFileName()));

        WriteSetting(kSection, QStringLiteral("left"), QStringLiteral("5"));
        const QByteArray before = FileBytes();
        const QDateTime modified = QFileInfo(SettingsFileName()).lastModified();
        DeleteSetting(kSection, QStringLiteral("maximized"));
        DeleteSetting(QStringLiteral("Other"), QStringLiteral("left"));
        QCOMPARE(FileBytes(), before);
        QCOMPARE(QFileInfo(SettingsFileName()).lastModified(), modified);
    }

    void nonStringValues_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("list") << QByteArray("width=1, 2");
        QTest::newRow("byte array") << QByteArray("width=@ByteArray(600)");
        QTest::newRow("typed variant") << QByteArray("width=@Variant(\\0\\0\\0\\x2\\0\\0\\x2X)");
        QTest::newRow("invalid") << QByteArray("width=@Invalid()");
    }
    void nonStringValues() {
        QFETCH(QByteArray, line);
        WriteRawFile("[Settings]\nleft=7\n" + line + "\n");
        QCOMPARE(ErrorOf([] { ReadSetting(kSection, QStringLiteral("width")); }),
                 QStringLiteral("Invalid data type for 'width'"));
        // The other values stay readable.
        QCOMPARE(ReadSetting(kSection, QStringLiteral("left")), QStringLiteral("7"));
    }

    // A folder where the settings file should be: neither readable nor writable, also for
    // the superuser.
    void folderInPlaceOfTheFile() {
        QVERIFY(QDir().mkpath(SettingsFileName()));
        QCOMPARE(ErrorOf([] { ReadSetting(kSection, QStringLiteral("left")); }),
                 QStringLiteral("Failed to create key Settings"));
        QCOMPARE(
            ErrorOf([] { WriteSetting(kSection, QStringLiteral("left"), QStringLiteral("1")); }),
            QStringLiteral("Failed to set data for 'left'"));
        QCOMPARE(ErrorOf([] { DeleteSetting(kSection, QStringLiteral("left")); }),
                 QStringLiteral("Failed to set data for 'left'"));
    }

    void folderCannotBeCreated() {
        // A plain file where the Pellmark folder should be.
        QFile blocker(SettingsFolder());
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        QCOMPARE(
            ErrorOf([] { WriteSetting(kSection, QStringLiteral("top"), QStringLiteral("1")); }),
            QStringLiteral("Failed to create key Settings"));
        QCOMPARE(ReadSetting(kSection, QStringLiteral("top")), QStringLiteral("n/a"));
        DeleteSetting(kSection, QStringLiteral("top"));
    }

    void unreadableFile() {
        if (RunningAsRoot()) {
            QSKIP("file permissions do not bind the superuser");
        }
        WriteSetting(kSection, QStringLiteral("left"), QStringLiteral("3"));
        QVERIFY(QFile::setPermissions(SettingsFileName(), QFile::WriteOwner));
        QCOMPARE(ErrorOf([] { ReadSetting(kSection, QStringLiteral("left")); }),
                 QStringLiteral("Failed to create key Settings"));
        // Writing must not replace the file it could not read.
        QCOMPARE(
            ErrorOf([] { WriteSetting(kSection, QStringLiteral("top"), QStringLiteral("1")); }),
            QStringLiteral("Failed to set data for 'top'"));
        QVERIFY(QFile::setPermissions(SettingsFileName(), QFile::ReadOwner | QFile::WriteOwner));
        QCOMPARE(ReadSetting(kSection, QStringLiteral("left")), QStringLiteral("3"));
    }

    void readOnlyFile() {
        if (RunningAsRoot()) {
            QSKIP("file permissions do not bind the superuser");
        }
        WriteSetting(kSection, QStringLiteral("left"), QStringLiteral("3"));
        QVERIFY(QFile::setPermissions(SettingsFileName(), QFile::ReadOwner));
        QVERIFY(QFile::setPermissions(SettingsFolder(), QFile::ReadOwner | QFile::ExeOwner));
        QCOMPARE(
            ErrorOf([] { WriteSetting(kSection, QStringLiteral("left"), QStringLiteral("4")); }),
            QStringLiteral("Failed to set data for 'left'"));
        QCOMPARE(ErrorOf([] { DeleteSetting(kSection, QStringLiteral("left")); }),
                 QStringLiteral("Failed to set data for 'left'"));
        QCOMPARE(ReadSetting(kSection, QStringLiteral("left")), QStringLiteral("3"));
    }

    // Another process decides whether to re-read the file by its size and modification
    // time; each write of a same-length value must therefore leave a later time behind.
    void everyWriteLeavesALaterTime() {
        qint64 previous = -1;
        for (int i = 0; i < 60; ++i) {
            WriteSetting(kSection, QStringLiteral("left"), QString::number(10 + i));
            const qint64 now = QFileInfo(SettingsFileName()).lastModified().toMSecsSinceEpoch();
            QVERIFY2(now > previous, qPrintable(QString::number(i)));
            previous = now;
        }
    }

    void secondProcessSeesWrites() {
        WriteSetting(kSection, QStringLiteral("startupfile"), QStringLiteral("/tmp/a.2do"));
        QCOMPARE(RunChild({QStringLiteral("--read"), QStringLiteral("startupfile")}),
                 QStringLiteral("/tmp/a.2do"));
        // This process has the file parsed already; a same-length change by another
        // process must still show.
        RunChild({QStringLiteral("--write"), QStringLiteral("startupfile"),
                  QStringLiteral("/tmp/b.2do")});
        QCOMPARE(ReadSetting(kSection, QStringLiteral("startupfile")),
                 QStringLiteral("/tmp/b.2do"));
        RunChild({QStringLiteral("--delete"), QStringLiteral("startupfile")});
        QCOMPARE(ReadSetting(kSection, QStringLiteral("startupfile")), QStringLiteral("n/a"));
    }

    void concurrentWritersLoseNothing() {
        constexpr int kKeys = 40;
        QProcess first;
        QProcess second;
        first.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--write-many"), QStringLiteral("a"), QString::number(kKeys)});
        second.start(QCoreApplication::applicationFilePath(),
                     {QStringLiteral("--write-many"), QStringLiteral("b"), QString::number(kKeys)});
        QVERIFY(first.waitForFinished(60000));
        QVERIFY(second.waitForFinished(60000));
        QCOMPARE(first.exitCode(), 0);
        QCOMPARE(second.exitCode(), 0);
        for (int i = 0; i < kKeys; ++i) {
            for (const char* prefix : {"a", "b"}) {
                const QString name = QLatin1String(prefix) + QString::number(i);
                QCOMPARE(ReadSetting(kSection, name), QStringLiteral("value of ") + name);
            }
        }
    }

private:
    static QString RunChild(const QStringList& arguments) {
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), arguments);
        if (!child.waitForFinished(30000) || child.exitCode() != 0) {
            return QStringLiteral("<child failed>");
        }
        return QString::fromUtf8(child.readAllStandardOutput());
    }
};

// Started again with one of these arguments, the test binary is the second process of the
// cases above.
int ChildMain(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    try {
        if (args[1] == QLatin1String("--read")) {
            std::cout << ReadSetting(kSection, args[2]).toStdString();
        } else if (args[1] == QLatin1String("--write")) {
            WriteSetting(kSection, args[2], args[3]);
        } else if (args[1] == QLatin1String("--delete")) {
            DeleteSetting(kSection, args[2]);
        } else if (args[1] == QLatin1String("--write-many")) {
            for (int i = 0; i < args[3].toInt(); ++i) {
                const QString name = args[2] + QString::number(i);
                WriteSetting(kSection, name, QStringLiteral("value of ") + name);
            }
        }
    } catch (const ESettingsError& e) {
        std::cerr << e.what() << '\n';
        return 1;
    }
    return 0;
}

int main(int argc, char** argv) {
    if (argc > 2 && std::strncmp(argv[1], "--", 2) == 0) {
        return ChildMain(argc, argv);
    }
    QCoreApplication app(argc, argv);
    TestIniProc test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_ini_proc.moc"
