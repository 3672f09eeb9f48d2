// The settings store on real files that work against it: a file that does not parse
// (garbage, cut off, hand-edited, typed values), one that is not writable or not readable,
// a read-only or full file system, and a file or folder where the other should be. Each
// call ends in a value or in the program's message, and nothing is lost: the other values
// read as before, and a refused write leaves the file byte for byte as it was.

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <memory>
#include <random>

#include "settings/ini_proc.h"
#include "tmpfs.h"

#include <sys/stat.h>
#include <unistd.h>

namespace {

// Bytes of a literal that may hold NUL characters, without its closing NUL.
template <std::size_t N>
QByteArray Bytes(const char (&text)[N]) {
    return QByteArray(text, static_cast<qsizetype>(N - 1));
}

const QString kSection = QStringLiteral("Settings");

QByteArray FileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

bool WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

QStringList Entries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                                  QDir::Name);
}

// The message of the settings error a call throws, or "" when it succeeds.
QString ErrorOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const ESettingsError& e) {
        return e.Message();
    }
    return {};
}

// What a read gives: the value, or "! " and the message.
QString ReadOutcome(const QString& name) {
    try {
        return ReadSetting(kSection, name);
    } catch (const ESettingsError& e) {
        return QStringLiteral("! ") + e.Message();
    }
}

QString SetFailed(const char* name) {
    return QStringLiteral("Failed to set data for '%1'").arg(QLatin1String(name));
}

// Every name the program-made file below holds, and one more that it lacks.
const QStringList kNames{QStringLiteral("left"),      QStringLiteral("top"),
                         QStringLiteral("width"),     QStringLiteral("height"),
                         QStringLiteral("maximized"), QStringLiteral("startupfile"),
                         QStringLiteral("colvis"),    QStringLiteral("ckHideScroll"),
                         QStringLiteral("vSubj"),     QStringLiteral("absent")};

std::map<QString, QString> ReadAll() {
    std::map<QString, QString> values;
    for (const QString& name : kNames) {
        values[name] = ReadOutcome(name);
    }
    return values;
}

// The user a child process becomes when the tests run as root.
constexpr uid_t kOtherUser = 65534;

}  // namespace

class TestSettingsFaults : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> home;

    QString config() const { return home->filePath(QStringLiteral("config")); }

    // A settings file as the program writes it.
    QByteArray programMadeFile() {
        WriteSetting(kSection, QStringLiteral("left"), QStringLiteral("-12"));
        WriteSetting(kSection, QStringLiteral("top"), QStringLiteral("40"));
        WriteSetting(kSection, QStringLiteral("width"), QStringLiteral("640"));
        WriteSetting(kSection, QStringLiteral("height"), QStringLiteral("480"));
        WriteSetting(kSection, QStringLiteral("startupfile"),
                     QString::fromUtf8("/home/a b/Liste für März, alt.2do"));
        WriteSetting(kSection, QStringLiteral("colvis"), QStringLiteral("10110011101"));
        WriteSetting(kSection, QStringLiteral("ckHideScroll"), QString());
        WriteSetting(kSection, QStringLiteral("vSubj"), QStringLiteral("@1;\"x\""));
        return FileBytes(SettingsFileName());
    }

    // One store call in another process, as an unprivileged user when this one is root.
    struct TChildResult {
        int ExitCode = -1;
        QString Output;
    };
    TChildResult runChild(const QStringList& call) {
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config());
        environment.insert(QStringLiteral("HOME"), home->path());
        child.setProcessEnvironment(environment);
        const QString user = ::geteuid() == 0 ? QString::number(kOtherUser) : QStringLiteral("-");
        child.start(QStringLiteral(PELLMARK_SETTINGS_CHILD), QStringList{user} + call);
        TChildResult result;
        if (child.waitForFinished(60000) && child.exitStatus() == QProcess::NormalExit) {
            result.ExitCode = child.exitCode();
            result.Output = QString::fromLocal8Bit(child.readAllStandardOutput()).trimmed();
        }
        return result;
    }

private Q_SLOTS:
    void initTestCase() {
        // The store follows XDG_CONFIG_HOME; every case points it at a folder of its own.
        QVERIFY2(!qEnvironmentVariable("XDG_CONFIG_HOME").isEmpty(), "run through ctest");
    }

    void init() {
        home = std::make_unique<QTemporaryDir>();
        QVERIFY(home->isValid());
        // The unprivileged child must reach the settings folder.
        QVERIFY(::chmod(QFile::encodeName(home->path()).constData(), 0755) == 0);
        QVERIFY(QDir().mkpath(config()));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config()));
        QVERIFY(SettingsFolder().startsWith(config()));
    }
    void cleanup() {
        ::chmod(QFile::encodeName(SettingsFolder()).constData(), 0755);
        home.reset();
    }

    // Files the program never writes. Reading keeps working where the value itself can be
    // read; a write of any other value is refused, since rewriting the file would drop or
    // change what it cannot read, and the file stays as it was. The odd value itself can
    // be replaced, which repairs the file.
    void unparsableFile_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("left");
        QTest::addColumn<QString>("width");
        QTest::addColumn<bool>("widthRepairs");
        const QString invalidWidth = QStringLiteral("! Invalid data type for 'width'");
        QByteArray garbage;
        for (int i = 0; i < 512; ++i) {
            garbage.append(char((i * 37 + 11) % 256));
        }
        QTest::newRow("garbage bytes")
            << garbage << QStringLiteral("n/a") << QStringLiteral("n/a") << false;
        QTest::newRow("a picture")
            << Bytes("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x10=\0\0\0\x10\x08\x06")
            << QStringLiteral("n/a") << QStringLiteral("n/a") << false;
        QTest::newRow("cut inside a name") << QByteArray("[Settings]\nleft=7\nwidth=640\nstartupf")
                                           << QStringLiteral("7") << QStringLiteral("640") << false;
        QTest::newRow("cut inside a quoted value")
            << QByteArray("[Settings]\nleft=7\nwidth=640\nstartupfile=\"/a, b")
            << QStringLiteral("7") << QStringLiteral("640") << false;
        QTest::newRow("cut inside the header")
            << QByteArray("[Settings]\nleft=7\nwidth=640\n[Sett") << QStringLiteral("7")
            << QStringLiteral("640") << false;
        QTest::newRow("comment by hand")
            << QByteArray("; my settings\n[Settings]\nleft=7\nwidth=640\n") << QStringLiteral("7")
            << QStringLiteral("640") << false;
        QTest::newRow("not UTF-8")
            << QByteArray("[Settings]\nleft=7\nwidth=640\nstartupfile=/home/M\xe4rz.2do\n")
            << QStringLiteral("7") << QStringLiteral("640") << false;
        QTest::newRow("NUL byte") << Bytes("[Settings]\nleft=7\nnote=a\0b\nwidth=640\n")
                                  << QStringLiteral("7") << QStringLiteral("640") << false;
        QTest::newRow("list") << QByteArray("[Settings]\nleft=7\nwidth=1, 2\n")
                              << QStringLiteral("7") << invalidWidth << true;
        QTest::newRow("typed variant")
            << QByteArray("[Settings]\nleft=7\nwidth=@Variant(\\0\\0\\0\\x2\\0\\0\\x2X)\n")
            << QStringLiteral("7") << invalidWidth << true;
        QTest::newRow("damaged variant")
            << QByteArray("[Settings]\nleft=7\nwidth=@Variant(\\0\\0)\n") << QStringLiteral("7")
            << invalidWidth << true;
        QTest::newRow("byte array") << QByteArray("[Settings]\nleft=7\nwidth=@ByteArray(600)\n")
                                    << QStringLiteral("7") << invalidWidth << true;
    }
    void unparsableFile() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, left);
        QFETCH(QString, width);
        QFETCH(bool, widthRepairs);
        QVERIFY(QDir().mkpath(SettingsFolder()));
        QVERIFY(WriteBytes(SettingsFileName(), bytes));

        QCOMPARE(ReadOutcome(QStringLiteral("left")), left);
        QCOMPARE(ReadOutcome(QStringLiteral("width")), width);
        QCOMPARE(
            ErrorOf([] { WriteSetting(kSection, QStringLiteral("top"), QStringLiteral("1")); }),
            SetFailed("top"));
        // A delete of a value that is not there writes nothing and so fails nothing.
        QCOMPARE(ErrorOf([] { DeleteSetting(kSection, QStringLiteral("left")); }),
                 left == QLatin1String("n/a") ? QString() : SetFailed("left"));
        QCOMPARE(ErrorOf([] { DeleteSetting(kSection, QStringLiteral("maximized")); }), QString());
        QCOMPARE(FileBytes(SettingsFileName()), bytes);
        QCOMPARE(Entries(SettingsFolder()), QStringList{QStringLiteral("Pellmark.conf")});
        QCOMPARE(ReadOutcome(QStringLiteral("left")), left);

        if (widthRepairs) {
            WriteSetting(kSection, QStringLiteral("width"), QStringLiteral("640"));
            QCOMPARE(ReadOutcome(QStringLiteral("width")), QStringLiteral("640"));
            WriteSetting(kSection, QStringLiteral("top"), QStringLiteral("1"));
            QCOMPARE(ReadOutcome(QStringLiteral("left")), QStringLiteral("7"));
            QCOMPARE(ReadOutcome(QStringLiteral("top")), QStringLiteral("1"));
        }
    }

    // A program-made file cut at every byte, as a crash or a full disk of an editor might
    // leave it. A write then either goes ahead, and every other value reads as it did
    // before, or is refused and the file stays as it was.
    void cutAtEveryByte() {
        const QByteArray whole = programMadeFile();
        int written = 0;
        int refused = 0;
        for (qsizetype cut = 0; cut < whole.size(); ++cut) {
            const QByteArray bytes = whole.left(cut);
            QVERIFY(WriteBytes(SettingsFileName(), bytes));
            std::map<QString, QString> before = ReadAll();
            const QString error = ErrorOf(
                [] { WriteSetting(kSection, QStringLiteral("height"), QStringLiteral("999")); });
            const QString where = QStringLiteral("cut at byte %1").arg(cut);
            if (error.isEmpty()) {
                ++written;
                before[QStringLiteral("height")] = QStringLiteral("999");
                QVERIFY2(ReadAll() == before, qPrintable(where));
            } else {
                ++refused;
                QVERIFY2(error == SetFailed("height"),
                         qPrintable(where + QLatin1String(": ") + error));
                QVERIFY2(FileBytes(SettingsFileName()) == bytes, qPrintable(where));
            }
        }
        qInfo("%lld cuts: %d writes went ahead, %d were refused",
              static_cast<long long>(whole.size()), written, refused);
        QVERIFY(written > 0 && refused > 0);
    }

    // The same for a few hundred random changes of one to three bytes of the file.
    void randomDamage() {
        const QByteArray whole = programMadeFile();
        std::mt19937 random(20240601);
        const QByteArray alphabet("[]=;,\"\\@#\n \t\r%axz09\x80\xc3\xff");
        int written = 0;
        int refused = 0;
        for (int round = 0; round < 300; ++round) {
            QByteArray bytes = whole;
            const int changes = 1 + int(random() % 3);
            for (int i = 0; i < changes; ++i) {
                const auto at = qsizetype(random() % std::uint32_t(bytes.size()));
                const char c = alphabet[qsizetype(random() % std::uint32_t(alphabet.size()))];
                switch (random() % 3) {
                    case 0:
                        bytes[at] = c;
                        break;
                    case 1:
                        bytes.insert(at, c);
                        break;
                    default:
                        bytes.remove(at, 1);
                        break;
                }
            }
            QVERIFY(WriteBytes(SettingsFileName(), bytes));
            std::map<QString, QString> before = ReadAll();
            const QString error =
                ErrorOf([] { DeleteSetting(kSection, QStringLiteral("colvis")); });
            const QString where = QStringLiteral("round %1: %2")
                                      .arg(round)
                                      .arg(QString::fromLatin1(bytes.toPercentEncoding()));
            if (error.isEmpty()) {
                ++written;
                before[QStringLiteral("colvis")] = kSettingAbsent;
                QVERIFY2(ReadAll() == before, qPrintable(where));
            } else {
                ++refused;
                QVERIFY2(error == SetFailed("colvis"),
                         qPrintable(where + QLatin1String(": ") + error));
                QVERIFY2(FileBytes(SettingsFileName()) == bytes, qPrintable(where));
            }
        }
        qInfo("300 damaged files: %d deletes went ahead, %d were refused", written, refused);
        QVERIFY(written > 0 && refused > 0);
    }

    // Permissions, for a user they bind (an unprivileged child when the tests run as root).
    void notWritable_data() {
        QTest::addColumn<int>("folderMode");
        QTest::addColumn<int>("fileMode");
        QTest::addColumn<bool>("ownFile");
        QTest::addColumn<QString>("read");
        QTest::newRow("read-only file") << 0755 << 0444 << true << QStringLiteral("7");
        QTest::newRow("read-only folder") << 0555 << 0644 << true << QStringLiteral("7");
        QTest::newRow("another user's file") << 0777 << 0644 << false << QStringLiteral("7");
        QTest::newRow("unreadable file")
            << 0755 << 0200 << true << QStringLiteral("Failed to create key Settings");
    }
    void notWritable() {
        QFETCH(int, folderMode);
        QFETCH(int, fileMode);
        QFETCH(bool, ownFile);
        QFETCH(QString, read);
        WriteSetting(kSection, QStringLiteral("left"), QStringLiteral("7"));
        WriteSetting(kSection, QStringLiteral("top"), QStringLiteral("3"));
        const QByteArray bytes = FileBytes(SettingsFileName());
        const QByteArray folder = QFile::encodeName(SettingsFolder());
        const QByteArray file = QFile::encodeName(SettingsFileName());
        const uid_t owner = ::geteuid() == 0 ? kOtherUser : ::geteuid();
        QVERIFY(::chown(folder.constData(), owner, owner) == 0);
        QVERIFY(::chown(file.constData(), ownFile ? owner : 0, ownFile ? owner : 0) == 0 ||
                ::geteuid() != 0);
        if (!ownFile && ::geteuid() != 0) {
            QSKIP("only root can give the file to another user");
        }
        QVERIFY(::chmod(file.constData(), mode_t(fileMode)) == 0);
        QVERIFY(::chmod(folder.constData(), mode_t(folderMode)) == 0);

        const TChildResult reading = runChild({QStringLiteral("read"), QStringLiteral("left")});
        if (reading.ExitCode == 2) {
            QSKIP("the child cannot become an unprivileged user here");
        }
        QCOMPARE(reading.Output, read);
        const TChildResult writing =
            runChild({QStringLiteral("write"), QStringLiteral("top"), QStringLiteral("4")});
        QCOMPARE(writing.Output, SetFailed("top"));
        QCOMPARE(writing.ExitCode, 1);
        const TChildResult deleting = runChild({QStringLiteral("delete"), QStringLiteral("left")});
        QCOMPARE(deleting.Output, SetFailed("left"));
        QCOMPARE(deleting.ExitCode, 1);

        QVERIFY(::chmod(folder.constData(), 0755) == 0);
        QVERIFY(::chmod(file.constData(), 0644) == 0);
        QCOMPARE(FileBytes(SettingsFileName()), bytes);
        QCOMPARE(Entries(SettingsFolder()), QStringList{QStringLiteral("Pellmark.conf")});
        QCOMPARE(ReadSetting(kSection, QStringLiteral("top")), QStringLiteral("3"));
    }

    // A read-only file system binds root as well.
    void readOnlyFileSystem() {
        TTmpfs disk;
        if (!disk.Mount(SettingsFolder(), "size=256k")) {
            QSKIP("no tmpfs can be mounted here; the permission cases cover the refusal");
        }
        WriteSetting(kSection, QStringLiteral("left"), QStringLiteral("7"));
        const QByteArray bytes = FileBytes(SettingsFileName());
        QVERIFY(disk.MakeReadOnly());
        QCOMPARE(ReadSetting(kSection, QStringLiteral("left")), QStringLiteral("7"));
        QCOMPARE(
            ErrorOf([] { WriteSetting(kSection, QStringLiteral("top"), QStringLiteral("1")); }),
            SetFailed("top"));
        QCOMPARE(ErrorOf([] { DeleteSetting(kSection, QStringLiteral("left")); }),
                 SetFailed("left"));
        QCOMPARE(FileBytes(SettingsFileName()), bytes);
        QCOMPARE(Entries(SettingsFolder()), QStringList{QStringLiteral("Pellmark.conf")});
    }

    // The disk is full: the write fails, and the file keeps every value it had.
    void fullFileSystem() {
        TTmpfs disk;
        if (!disk.Mount(SettingsFolder(), "size=64k")) {
            QSKIP("no tmpfs can be mounted here");
        }
        const QByteArray bytes = programMadeFile();
        QFile filler(SettingsFolder() + QStringLiteral("/filler"));
        QVERIFY(filler.open(QIODevice::WriteOnly));
        const QByteArray block(4096, 'f');
        while (filler.write(block) == block.size() && filler.flush()) {
        }
        filler.close();

        const QString error = ErrorOf([] {
            WriteSetting(kSection, QStringLiteral("startupfile"), QString(2000, QLatin1Char('x')));
        });
        QCOMPARE(error, SetFailed("startupfile"));
        QCOMPARE(FileBytes(SettingsFileName()), bytes);
        QCOMPARE(Entries(SettingsFolder()),
                 (QStringList{QStringLiteral("Pellmark.conf"), QStringLiteral("filler")}));

        // Once there is room again, the write goes through and the rest is still there.
        QVERIFY(filler.remove());
        WriteSetting(kSection, QStringLiteral("startupfile"), QStringLiteral("/tmp/x.2do"));
        QCOMPARE(ReadSetting(kSection, QStringLiteral("startupfile")),
                 QStringLiteral("/tmp/x.2do"));
        QCOMPARE(ReadSetting(kSection, QStringLiteral("colvis")), QStringLiteral("10110011101"));
    }

    // A plain file where the settings folder should be: nothing can be created, and the
    // file is not touched.
    void settingsFolderIsAFile() {
        QVERIFY(WriteBytes(SettingsFolder(), "not a folder"));
        QCOMPARE(ReadOutcome(QStringLiteral("left")), QStringLiteral("n/a"));
        QCOMPARE(
            ErrorOf([] { WriteSetting(kSection, QStringLiteral("left"), QStringLiteral("1")); }),
            QStringLiteral("Failed to create key Settings"));
        QCOMPARE(ErrorOf([] { DeleteSetting(kSection, QStringLiteral("left")); }), QString());
        QCOMPARE(FileBytes(SettingsFolder()), QByteArray("not a folder"));
    }

    // A folder where the settings file should be: neither read nor replaced.
    void settingsFileIsAFolder() {
        QVERIFY(QDir().mkpath(SettingsFileName()));
        QVERIFY(WriteBytes(SettingsFileName() + QStringLiteral("/inside"), "kept"));
        QCOMPARE(ReadOutcome(QStringLiteral("left")),
                 QStringLiteral("! Failed to create key Settings"));
        QCOMPARE(
            ErrorOf([] { WriteSetting(kSection, QStringLiteral("left"), QStringLiteral("1")); }),
            SetFailed("left"));
        QCOMPARE(ErrorOf([] { DeleteSetting(kSection, QStringLiteral("left")); }),
                 SetFailed("left"));
        QCOMPARE(Entries(SettingsFileName()), QStringList{QStringLiteral("inside")});
        QCOMPARE(FileBytes(SettingsFileName() + QStringLiteral("/inside")), QByteArray("kept"));
        QCOMPARE(Entries(SettingsFolder()), QStringList{QStringLiteral("Pellmark.conf")});
    }
};

QTEST_GUILESS_MAIN(TestSettingsFaults)
#include "tst_settings_faults.moc"
